#include "platform/com/regexp_component.h"

#include <memory>
#include <string>

#include "platform/com/component_arguments.h"
#include "platform/com/hresult.h"
#include "platform/com/regexp_match_objects.h"
#include "platform/com/regexp_search.h"
#include "platform/com/variant.h"

namespace {

class RegExp final : public DispatchObject {
 public:
  HRESULT Invoke(DISPID member, WORD flags, DispatchArguments arguments, VARIANT* result) override {
    switch (member) {
      case pattern_id:
        return string_property(pattern_, flags, arguments, result);
      case ignore_case_id:
        return bool_property(options_.ignore_case, flags, arguments, result);
      case multiline_id:
        return bool_property(options_.multiline, flags, arguments, result);
      case singleline_id:
        return bool_property(options_.dot_matches_newline, flags, arguments, result);
      case global_id:
        return bool_property(global_, flags, arguments, result);
      case execute_id:
      case test_id:
      case replace_id:
        if ((flags & DISPATCH_METHOD) == 0) return DISP_E_MEMBERNOTFOUND;
        return run_method(member, arguments, result);
      default:
        return DISP_E_MEMBERNOTFOUND;
    }
  }

 protected:
  std::span<const DispatchMember> members() const override { return table; }

 private:
  enum : DISPID {
    pattern_id = 1,
    ignore_case_id,
    multiline_id,
    singleline_id,
    global_id,
    execute_id,
    test_id,
    replace_id,
  };
  static constexpr DispatchMember table[] = {
      {u"Pattern", pattern_id},     {u"IgnoreCase", ignore_case_id},
      {u"Multiline", multiline_id}, {u"Singleline", singleline_id},
      {u"Global", global_id},       {u"Execute", execute_id},
      {u"Test", test_id},           {u"Replace", replace_id}};

  HRESULT bool_property(bool& property, WORD flags, DispatchArguments arguments, VARIANT* result) {
    if (flags & DISPATCH_PROPERTYPUT) {
      bool value = false;
      if (HRESULT status = expect_arguments(arguments, 1); FAILED(status)) return status;
      if (HRESULT status = argument_bool(arguments, 0, value); FAILED(status)) return status;
      if (value != property) compiled_.reset();
      property = value;
      return S_OK;
    }
    if (HRESULT status = expect_arguments(arguments, 0); FAILED(status)) return status;
    return give_result(result, VARIANT::from_bool(property));
  }

  HRESULT string_property(std::u16string& property, WORD flags, DispatchArguments arguments,
                          VARIANT* result) {
    if (flags & DISPATCH_PROPERTYPUT) {
      std::u16string value;
      if (HRESULT status = expect_arguments(arguments, 1); FAILED(status)) return status;
      if (HRESULT status = argument_string(arguments, 0, value); FAILED(status)) return status;
      property = std::move(value);
      compiled_.reset();
      return S_OK;
    }
    if (HRESULT status = expect_arguments(arguments, 0); FAILED(status)) return status;
    return give_result(result, VARIANT::from_string(property));
  }

  HRESULT run_method(DISPID member, DispatchArguments arguments, VARIANT* result) {
    const std::size_t expected = member == replace_id ? 2 : 1;
    if (HRESULT status = expect_arguments(arguments, expected); FAILED(status)) return status;
    std::u16string subject;
    if (HRESULT status = argument_string(arguments, 0, subject); FAILED(status)) return status;
    std::u16string replacement;
    if (member == replace_id) {
      if (HRESULT status = argument_string(arguments, 1, replacement); FAILED(status)) {
        return status;
      }
    }
    if (!compiled_) compiled_ = CompiledPattern::compile(pattern_, options_);
    if (!compiled_) return REGEXP_E_SYNTAX;

    auto results = std::make_shared<MatchResults>();
    // Test needs only to know whether there is a first match.
    const bool all_matches = global_ && member != test_id;
    if (!find_matches(*compiled_, std::move(subject), all_matches, *results)) return E_FAIL;
    switch (member) {
      case execute_id:
        return give_result(result, VARIANT::from_object(make_match_collection(std::move(results))));
      case test_id:
        return give_result(result, VARIANT::from_bool(results->match_count() > 0));
      default:
        return give_result(result, VARIANT::from_string(replace_matches_in(*results, replacement)));
    }
  }

  std::u16string pattern_;
  RegexpOptions options_;
  bool global_ = false;
  // Dropped whenever the pattern or an option changes; compiled again on next use.
  std::unique_ptr<CompiledPattern> compiled_;
};

}  // namespace

ComPtr<IDispatch> create_regexp_component() {
  return make_dispatch<RegExp>();
}
