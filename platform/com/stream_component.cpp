#include "platform/com/stream_component.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/com/charset_labels.h"
#include "platform/com/component_arguments.h"
#include "platform/com/hresult.h"
#include "platform/com/stream_decoder.h"
#include "platform/com/variant.h"

namespace {

constexpr std::int32_t adTypeBinary = 1;
constexpr std::int32_t adTypeText = 2;
constexpr std::int32_t adModeRead = 1;
constexpr std::int32_t adReadAll = -1;

// The byte-order mark that starts a stream in this charset, if it has one.
std::string_view byte_order_mark(std::string_view iconv_name) {
  if (iconv_name == "UTF-8") return "\xEF\xBB\xBF";
  if (iconv_name == "UTF-16LE") return "\xFF\xFE";
  if (iconv_name == "UTF-16BE") return "\xFE\xFF";
  return {};
}

bool starts_with(std::span<const std::uint8_t> bytes, std::string_view prefix) {
  if (prefix.empty() || bytes.size() < prefix.size()) return false;
  return std::string_view(reinterpret_cast<const char*>(bytes.data()), prefix.size()) == prefix;
}

class Stream final : public DispatchObject {
 public:
  HRESULT Invoke(DISPID member, WORD flags, DispatchArguments arguments, VARIANT* result) override {
    const bool put = (flags & DISPATCH_PROPERTYPUT) != 0;
    if (put) {
      if (HRESULT status = expect_arguments(arguments, 1); FAILED(status)) return status;
    }
    switch (member) {
      case type_id:
        return put ? put_type(arguments) : read(arguments, result, VARIANT::from_int32(type_));
      case mode_id:
        return put ? put_mode(arguments) : read(arguments, result, VARIANT::from_int32(mode_));
      case position_id:
        if (!open_) return ADODB_E_NOTALLOWED;
        return put ? put_position(arguments)
                   : read(arguments, result, VARIANT::from_int32(to_int32(position_)));
      case charset_id:
        return put ? put_charset(arguments)
                   : read(arguments, result, VARIANT::from_string(charset_));
      case size_id:
        if (put || !open_) return put ? DISP_E_MEMBERNOTFOUND : ADODB_E_NOTALLOWED;
        return read(arguments, result, VARIANT::from_int32(to_int32(buffer_.size())));
      case state_id:
        if (put) return DISP_E_MEMBERNOTFOUND;
        return read(arguments, result, VARIANT::from_int32(open_ ? 1 : 0));
      default:
        break;
    }
    if (put || (flags & DISPATCH_METHOD) == 0) return DISP_E_MEMBERNOTFOUND;
    switch (member) {
      case open_id:
        return open(arguments);
      case close_id:
        return close(arguments);
      case write_id:
        return write(arguments);
      case read_text_id:
        return read_text(arguments, result);
      default:
        return DISP_E_MEMBERNOTFOUND;
    }
  }

 protected:
  std::span<const DispatchMember> members() const override { return table; }

 private:
  enum : DISPID {
    type_id = 1,
    mode_id,
    position_id,
    charset_id,
    size_id,
    state_id,
    open_id,
    close_id,
    write_id,
    read_text_id,
  };
  static constexpr DispatchMember table[] = {
      {u"Type", type_id},         {u"Mode", mode_id},   {u"Position", position_id},
      {u"Charset", charset_id},   {u"Size", size_id},   {u"State", state_id},
      {u"Open", open_id},         {u"Close", close_id}, {u"Write", write_id},
      {u"ReadText", read_text_id}};

  static std::int32_t to_int32(std::size_t value) { return static_cast<std::int32_t>(value); }

  static HRESULT read(DispatchArguments arguments, VARIANT* result, VARIANT value) {
    if (HRESULT status = expect_arguments(arguments, 0); FAILED(status)) return status;
    return give_result(result, std::move(value));
  }

  HRESULT put_type(DispatchArguments arguments) {
    std::int32_t type = 0;
    if (HRESULT status = argument_int32(arguments, 0, type); FAILED(status)) return status;
    if (type != adTypeBinary && type != adTypeText) return ADODB_E_BADARGUMENTS;
    if (open_ && position_ != 0) return ADODB_E_NOTALLOWED;
    type_ = type;
    return S_OK;
  }

  HRESULT put_mode(DispatchArguments arguments) {
    std::int32_t mode = 0;
    if (HRESULT status = argument_int32(arguments, 0, mode); FAILED(status)) return status;
    if (mode < 0) return ADODB_E_BADARGUMENTS;
    if (open_) return ADODB_E_NOTALLOWED;
    mode_ = mode;
    return S_OK;
  }

  HRESULT put_position(DispatchArguments arguments) {
    std::int32_t position = 0;
    if (HRESULT status = argument_int32(arguments, 0, position); FAILED(status)) return status;
    if (position < 0 || static_cast<std::size_t>(position) > buffer_.size()) {
      return ADODB_E_BADARGUMENTS;
    }
    position_ = static_cast<std::size_t>(position);
    return S_OK;
  }

  HRESULT put_charset(DispatchArguments arguments) {
    std::u16string label;
    if (HRESULT status = argument_string(arguments, 0, label); FAILED(status)) return status;
    const char* iconv_name = iconv_name_for_charset(label);
    if (iconv_name == nullptr) return ADODB_E_BADARGUMENTS;
    if (open_ && position_ != 0) return ADODB_E_NOTALLOWED;
    charset_ = std::move(label);
    iconv_name_ = iconv_name;
    return S_OK;
  }

  HRESULT open(DispatchArguments arguments) {
    // Opening from a source (a URL or a record) is not offered: only an empty stream.
    for (const VARIANT* argument : arguments) {
      if (argument != nullptr && argument->vt() != VT_EMPTY) return ADODB_E_BADARGUMENTS;
    }
    if (open_) return ADODB_E_NOTALLOWED;
    open_ = true;
    buffer_.clear();
    position_ = 0;
    return S_OK;
  }

  HRESULT close(DispatchArguments arguments) {
    if (HRESULT status = expect_arguments(arguments, 0); FAILED(status)) return status;
    if (!open_) return ADODB_E_NOTALLOWED;
    open_ = false;
    buffer_ = {};
    position_ = 0;
    return S_OK;
  }

  HRESULT write(DispatchArguments arguments) {
    if (HRESULT status = expect_arguments(arguments, 1); FAILED(status)) return status;
    const std::vector<std::uint8_t>* bytes = arguments[0]->as_bytes();
    if (bytes == nullptr) return DISP_E_TYPEMISMATCH;
    if (!open_ || type_ != adTypeBinary || mode_ == adModeRead) return ADODB_E_NOTALLOWED;
    // Writes over what lies at Position and extends the stream where it runs past the end.
    const std::size_t end = position_ + bytes->size();
    if (end > buffer_.size()) buffer_.resize(end);
    std::copy(bytes->begin(), bytes->end(),
              buffer_.begin() + static_cast<std::ptrdiff_t>(position_));
    position_ = end;
    return S_OK;
  }

  HRESULT read_text(DispatchArguments arguments, VARIANT* result) {
    if (arguments.size() > 1) return DISP_E_BADPARAMCOUNT;
    if (arguments.size() == 1) {
      std::int32_t characters = adReadAll;
      if (HRESULT status = argument_int32(arguments, 0, characters); FAILED(status)) return status;
      if (characters != adReadAll) return ADODB_E_BADARGUMENTS;
    }
    if (!open_ || type_ != adTypeText) return ADODB_E_NOTALLOWED;
    std::span<const std::uint8_t> rest(buffer_.data() + position_, buffer_.size() - position_);
    const std::string_view mark = byte_order_mark(iconv_name_);
    if (position_ == 0 && starts_with(rest, mark)) rest = rest.subspan(mark.size());
    std::optional<std::u16string> text = decode_to_utf16(rest, iconv_name_);
    if (!text) return E_FAIL;
    position_ = buffer_.size();
    return give_result(result, VARIANT::from_string(std::move(*text)));
  }

  bool open_ = false;
  std::int32_t type_ = adTypeText;
  std::int32_t mode_ = 0;
  std::u16string charset_ = u"Unicode";
  const char* iconv_name_ = "UTF-16LE";
  std::vector<std::uint8_t> buffer_;
  std::size_t position_ = 0;
};

}  // namespace

ComPtr<IDispatch> create_stream_component() {
  return make_dispatch<Stream>();
}
