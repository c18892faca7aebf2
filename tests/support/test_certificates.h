#pragma once
// Certificates made at test time with the `openssl` command, once per process, in a fresh
// temporary directory: a test CA, a server certificate it issued for 127.0.0.1 and localhost,
// and a second, self-signed server certificate that no client trusts.
//
// Clients are told to trust the test CA through their test hooks
// (platform/winhttp/winhttp_testing.h, platform/inet/media_client_testing.h).
#include <string>

namespace test_support {

struct TestCertificates {
  std::string ca_certificate;         // PEM file of the test CA
  std::string server_certificate;     // PEM, issued by the test CA for 127.0.0.1 / localhost
  std::string server_key;             // PEM key of server_certificate
  std::string untrusted_certificate;  // PEM, self-signed for 127.0.0.1 / localhost
  std::string untrusted_key;
};

// Makes the files on first use; aborts the process if the openssl command fails.
const TestCertificates& test_certificates();

}  // namespace test_support
