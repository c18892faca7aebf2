#include "tests/support/test_certificates.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace test_support {
namespace {

void run_or_abort(const std::string& command) {
  if (std::system((command + " >/dev/null 2>&1").c_str()) != 0) {
    std::fprintf(stderr, "test certificates: command failed: %s\n", command.c_str());
    std::abort();
  }
}

// Owns the temporary directory and removes it when the process ends.
struct CertificateDirectory {
  std::filesystem::path path;
  TestCertificates files;

  CertificateDirectory() {
    std::string pattern = (std::filesystem::temp_directory_path() / "songsaver-certs-XXXXXX");
    if (mkdtemp(pattern.data()) == nullptr) {
      std::perror("test certificates: mkdtemp");
      std::abort();
    }
    path = pattern;
    const std::string dir = path.string() + "/";
    const std::string new_key =
        "openssl req -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes";
    const std::string server_extensions = dir + "server.ext";
    std::ofstream(server_extensions) << "subjectAltName=IP:127.0.0.1,DNS:localhost\n"
                                        "basicConstraints=CA:FALSE\n"
                                        "extendedKeyUsage=serverAuth\n";

    run_or_abort(
        "openssl req -x509 -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes"
        " -days 2 -subj '/CN=songsaver test CA'"
        " -addext basicConstraints=critical,CA:TRUE"
        " -addext keyUsage=critical,keyCertSign,cRLSign"
        " -keyout " +
        dir + "ca.key -out " + dir + "ca.pem");
    run_or_abort(new_key + " -subj /CN=127.0.0.1 -keyout " + dir + "server.key -out " + dir +
                 "server.csr");
    run_or_abort("openssl x509 -req -days 2 -in " + dir + "server.csr -CA " + dir +
                 "ca.pem -CAkey " + dir + "ca.key -CAcreateserial -extfile " + server_extensions +
                 " -out " + dir + "server.pem");
    run_or_abort(
        "openssl req -x509 -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes"
        " -days 2 -subj /CN=127.0.0.1"
        " -addext subjectAltName=IP:127.0.0.1,DNS:localhost"
        " -keyout " +
        dir + "untrusted.key -out " + dir + "untrusted.pem");

    files = {dir + "ca.pem", dir + "server.pem", dir + "server.key", dir + "untrusted.pem",
             dir + "untrusted.key"};
  }

  ~CertificateDirectory() {
    std::error_code ignored;
    std::filesystem::remove_all(path, ignored);
  }
};

}  // namespace

const TestCertificates& test_certificates() {
  static const CertificateDirectory directory;
  return directory.files;
}

}  // namespace test_support
