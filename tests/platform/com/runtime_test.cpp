#include <thread>

#include "platform/com/com_init.h"
#include "platform/com/hresult.h"
#include "platform/com/registry.h"
#include "tests/platform/com/balanced_runtime.h"
#include "tests/platform/com/dispatch_helpers.h"

namespace {

class RuntimeTest : public BalancedRuntimeTest {};

// A class with no members, for registration tests.
class Plain final : public DispatchObject {
 public:
  HRESULT Invoke(DISPID, WORD, DispatchArguments, VARIANT*) override {
    return DISP_E_MEMBERNOTFOUND;
  }

 protected:
  std::span<const DispatchMember> members() const override { return {}; }
};

TEST_F(RuntimeTest, InitialisationIsCountedPerCall) {
  EXPECT_EQ(com_initialization_count(), 0);
  EXPECT_EQ(CoInitialize(nullptr), S_OK);
  EXPECT_EQ(CoInitialize(nullptr), S_FALSE);
  EXPECT_EQ(OleInitialize(nullptr), S_FALSE);
  EXPECT_EQ(com_initialization_count(), 3);
  OleUninitialize();
  CoUninitialize();
  CoUninitialize();
  EXPECT_EQ(com_initialization_count(), 0);
  CoUninitialize();  // one too many does nothing
  EXPECT_EQ(com_initialization_count(), 0);
  EXPECT_EQ(OleInitialize(nullptr), S_OK);
  OleUninitialize();
}

TEST_F(RuntimeTest, CreationNeedsAnInitialisedThread) {
  CLSID clsid;
  ASSERT_EQ(CLSIDFromProgID(u"VBScript.RegExp", &clsid), S_OK);
  ComPtr<IDispatch> object;
  EXPECT_EQ(CoCreateInstance(clsid, &object), CO_E_NOTINITIALIZED);
  EXPECT_FALSE(object);

  ScopedCoInitialize initialized;
  EXPECT_EQ(CoCreateInstance(clsid, &object), S_OK);
  EXPECT_TRUE(object);
  // The count belongs to the thread: another thread has not initialised.
  std::thread([&] {
    ComPtr<IDispatch> elsewhere;
    EXPECT_EQ(CoCreateInstance(clsid, &elsewhere), CO_E_NOTINITIALIZED);
  }).join();
}

TEST_F(RuntimeTest, ProgrammaticIdentifiersIgnoreCase) {
  ScopedCoInitialize initialized;
  const std::u16string names[] = {u"VBScript.RegExp", u"vbscript.regexp", u"Adodb.Stream",
                                  u"ADODB.STREAM"};
  for (std::size_t i = 0; i < std::size(names); ++i) {
    SCOPED_TRACE(i);
    EXPECT_TRUE(create_object(names[i]));
  }
  CLSID clsid;
  EXPECT_EQ(CLSIDFromProgID(u"No.Such.Class", &clsid), CO_E_CLASSSTRING);
  EXPECT_EQ(CLSIDFromProgID(u"VBScript.RegExpX", &clsid), CO_E_CLASSSTRING);
}

TEST_F(RuntimeTest, RegistrationHidesAnEarlierOneUntilWithdrawn) {
  ScopedCoInitialize initialized;
  CLSID original;
  ASSERT_EQ(CLSIDFromProgID(u"VBScript.RegExp", &original), S_OK);
  {
    ScopedClassRegistration stand_in(u"vbscript.REGEXP",
                                     [] { return ComPtr<IDispatch>(make_dispatch<Plain>()); });
    CLSID found;
    ASSERT_EQ(CLSIDFromProgID(u"VBScript.RegExp", &found), S_OK);
    EXPECT_EQ(found, stand_in.clsid());
    ComPtr<IDispatch> object = create_object(u"VBScript.RegExp");
    ASSERT_TRUE(object);
    DISPID member;
    EXPECT_EQ(object->GetIDsOfNames(u"Pattern", &member), DISP_E_UNKNOWNNAME);
  }
  CLSID after;
  ASSERT_EQ(CLSIDFromProgID(u"VBScript.RegExp", &after), S_OK);
  EXPECT_EQ(after, original);
}

TEST_F(RuntimeTest, UnknownClassesAndEmptyFactoriesFail) {
  ScopedCoInitialize initialized;
  ComPtr<IDispatch> object;
  EXPECT_EQ(CoCreateInstance(CLSID{0xFFFFFFu}, &object), REGDB_E_CLASSNOTREG);
  ScopedClassRegistration broken(u"Test.Broken", [] { return ComPtr<IDispatch>(); });
  EXPECT_EQ(CoCreateInstance(broken.clsid(), &object), E_FAIL);
  EXPECT_FALSE(object);
}

TEST_F(RuntimeTest, ObjectsLiveWhileReferenced) {
  const std::int64_t before = live_object_count();
  ComPtr<Plain> first = make_dispatch<Plain>();
  ComPtr<IDispatch> second = first;
  EXPECT_EQ(live_object_count(), before + 1);
  first.reset();
  EXPECT_EQ(live_object_count(), before + 1);
  second.reset();
  EXPECT_EQ(live_object_count(), before);
}

}  // namespace
