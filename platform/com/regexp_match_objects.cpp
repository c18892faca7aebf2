#include "platform/com/regexp_match_objects.h"

#include "platform/com/component_arguments.h"
#include "platform/com/hresult.h"
#include "platform/com/variant.h"

namespace {

using Results = std::shared_ptr<const MatchResults>;

bool is_read(WORD flags) {
  return (flags & (DISPATCH_PROPERTYGET | DISPATCH_METHOD)) != 0;
}

std::int32_t as_int32(std::size_t value) {
  return static_cast<std::int32_t>(value);
}

// An index argument that must lie in 0..count-1.
HRESULT index_argument(DispatchArguments arguments, std::size_t count, std::size_t& index) {
  if (HRESULT result = expect_arguments(arguments, 1); FAILED(result)) return result;
  std::int32_t value = 0;
  if (HRESULT result = argument_int32(arguments, 0, value); FAILED(result)) return result;
  if (value < 0 || static_cast<std::size_t>(value) >= count) return DISP_E_BADINDEX;
  index = static_cast<std::size_t>(value);
  return S_OK;
}

class SubMatches final : public DispatchObject {
 public:
  SubMatches(Results results, std::size_t match) : results_(std::move(results)), match_(match) {}

  HRESULT Invoke(DISPID member, WORD flags, DispatchArguments arguments, VARIANT* result) override {
    if (!is_read(flags)) return DISP_E_MEMBERNOTFOUND;
    const std::size_t count = results_->group_count;
    if (member == count_id) {
      if (HRESULT status = expect_arguments(arguments, 0); FAILED(status)) return status;
      return give_result(result, VARIANT::from_int32(as_int32(count)));
    }
    std::size_t index = 0;
    if (HRESULT status = index_argument(arguments, count, index); FAILED(status)) return status;
    const std::size_t start = results_->start(match_, index + 1);
    const std::size_t end = results_->end(match_, index + 1);
    if (member == item_id) {
      if (start == unset_offset) return give_result(result, VARIANT());
      return give_result(result,
                         VARIANT::from_string(results_->subject.substr(start, end - start)));
    }
    if (member == first_index_id) {
      return give_result(result, VARIANT::from_int32(start == unset_offset ? -1 : as_int32(start)));
    }
    return DISP_E_MEMBERNOTFOUND;
  }

 protected:
  std::span<const DispatchMember> members() const override { return table; }

 private:
  enum : DISPID { item_id = 0, count_id = 1, first_index_id = 2 };
  static constexpr DispatchMember table[] = {
      {u"Item", item_id}, {u"Count", count_id}, {u"FirstIndex", first_index_id}};

  Results results_;
  std::size_t match_;
};

class Match final : public DispatchObject {
 public:
  Match(Results results, std::size_t match) : results_(std::move(results)), match_(match) {}

  HRESULT Invoke(DISPID member, WORD flags, DispatchArguments arguments, VARIANT* result) override {
    if (!is_read(flags)) return DISP_E_MEMBERNOTFOUND;
    if (HRESULT status = expect_arguments(arguments, 0); FAILED(status)) return status;
    const std::size_t start = results_->start(match_, 0);
    const std::size_t end = results_->end(match_, 0);
    switch (member) {
      case value_id:
        return give_result(result,
                           VARIANT::from_string(results_->subject.substr(start, end - start)));
      case first_index_id:
        return give_result(result, VARIANT::from_int32(as_int32(start)));
      case length_id:
        return give_result(result, VARIANT::from_int32(as_int32(end - start)));
      case sub_matches_id:
        return give_result(result,
                           VARIANT::from_object(make_dispatch<SubMatches>(results_, match_)));
      default:
        return DISP_E_MEMBERNOTFOUND;
    }
  }

 protected:
  std::span<const DispatchMember> members() const override { return table; }

 private:
  enum : DISPID { value_id = 0, first_index_id = 1, length_id = 2, sub_matches_id = 3 };
  static constexpr DispatchMember table[] = {{u"Value", value_id},
                                             {u"FirstIndex", first_index_id},
                                             {u"Length", length_id},
                                             {u"SubMatches", sub_matches_id}};

  Results results_;
  std::size_t match_;
};

class MatchCollection final : public DispatchObject {
 public:
  explicit MatchCollection(Results results) : results_(std::move(results)) {}

  HRESULT Invoke(DISPID member, WORD flags, DispatchArguments arguments, VARIANT* result) override {
    if (!is_read(flags)) return DISP_E_MEMBERNOTFOUND;
    const std::size_t count = results_->match_count();
    if (member == count_id) {
      if (HRESULT status = expect_arguments(arguments, 0); FAILED(status)) return status;
      return give_result(result, VARIANT::from_int32(as_int32(count)));
    }
    if (member == item_id) {
      std::size_t index = 0;
      if (HRESULT status = index_argument(arguments, count, index); FAILED(status)) return status;
      return give_result(result, VARIANT::from_object(make_dispatch<Match>(results_, index)));
    }
    return DISP_E_MEMBERNOTFOUND;
  }

 protected:
  std::span<const DispatchMember> members() const override { return table; }

 private:
  enum : DISPID { item_id = 0, count_id = 1 };
  static constexpr DispatchMember table[] = {{u"Item", item_id}, {u"Count", count_id}};

  Results results_;
};

}  // namespace

ComPtr<IDispatch> make_match_collection(std::shared_ptr<const MatchResults> results) {
  return make_dispatch<MatchCollection>(std::move(results));
}
