#include "tests/regex/recording_component.h"

#include "platform/com/hresult.h"
#include "platform/com/variant.h"

namespace {

class RecordingComponent final : public DispatchObject {
 public:
  explicit RecordingComponent(std::vector<RecordedCall>& log) : log_(log) {}

  HRESULT GetIDsOfNames(std::u16string_view name, DISPID* member) override {
    names_.emplace_back(name);
    *member = static_cast<DISPID>(names_.size() - 1);
    return S_OK;
  }

  HRESULT Invoke(DISPID member, WORD flags, DispatchArguments arguments, VARIANT*) override {
    RecordedCall call{names_.at(static_cast<std::size_t>(member)), flags, {}};
    for (const VARIANT* argument : arguments) {
      VARIANT text;
      VariantChangeType(&text, argument, 0, VT_BSTR);
      call.arguments.push_back(text.as_string() ? *text.as_string() : u"<not a string>");
    }
    log_.push_back(call);
    return S_OK;
  }

 protected:
  std::span<const DispatchMember> members() const override { return {}; }

 private:
  std::vector<RecordedCall>& log_;
  std::vector<std::u16string> names_;
};

}  // namespace

ScopedRecordingComponent::ScopedRecordingComponent(std::u16string prog_id,
                                                   std::vector<RecordedCall>& log)
    : registration_(std::move(prog_id),
                    [&log] { return ComPtr<IDispatch>(make_dispatch<RecordingComponent>(log)); }) {}
