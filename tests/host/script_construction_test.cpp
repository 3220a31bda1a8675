// The scripts and components fill themselves with zeros in one go rather
// than member by member: each must still come out whole and empty wherever
// it is made, over whatever the memory held before.
#include "format/action_script.h"
#include "format/uninstall_script.h"

#include <gtest/gtest.h>

#include <memory>
#include <new>
#include <string.h>
#include <utility>

namespace {

// Builds a T over storage full of a stray pattern; true when every byte of
// the new object is zero, as its members' initialisers ask.
template <typename T>
bool startsAsZeros()
{
    alignas(T) unsigned char storage[sizeof(T)];
    memset(storage, 0xA5, sizeof storage);
    T* object = new (storage) T;
    bool zeros = true;
    for (unsigned char byte : storage)
        zeros = zeros && byte == 0;
    object->~T();
    return zeros;
}

TEST(ScriptConstruction, ObjectsMadeOverStrayBytesStartAsZeros)
{
    EXPECT_TRUE(startsAsZeros<ActionScript>());
    EXPECT_TRUE(startsAsZeros<Component>());
    EXPECT_TRUE(startsAsZeros<UninstallScript>());
}

TEST(ScriptConstruction, EmptyObjectsReadAsTheirDefaults)
{
    ActionScript script;
    EXPECT_EQ(script.mainActions.actions.count(), 0u);
    EXPECT_EQ(script.components.count(), 0u);
    EXPECT_EQ(script.upgradeRules, 0u);
    EXPECT_TRUE(script.successText.isNull());
    Component component;
    EXPECT_EQ(component.placement, uint32_t(kPlacementList));
    EXPECT_EQ(component.actions.pageFlags, 0u);
    UninstallScript uninstall;
    EXPECT_EQ(uninstall.undoLog.count(), 0u);
    EXPECT_EQ(uninstall.undoLog.first(), nullptr);
    EXPECT_STREQ(uninstall.uninstallerPath.text(), "");
    EXPECT_EQ(uninstall.bannerInfoSize(), 0u);
}

// A script filled and let go owns nothing afterwards: the sanitizers'
// leak check catches a fill that wiped what a member owned.
TEST(ScriptConstruction, FilledScriptReleasesWhatItOwns)
{
    std::unique_ptr<ActionScript> script(new (std::nothrow) ActionScript());
    ASSERT_TRUE(script);
    ASSERT_TRUE(script->successText.assignText("done"));
    std::unique_ptr<Component> component(new (std::nothrow) Component);
    ASSERT_TRUE(component && component->name.assignText("extra"));
    ASSERT_TRUE(script->components.push(std::move(component)));
    EXPECT_STREQ(script->components[0]->name.text(), "extra");
    EXPECT_STREQ(script->successText.text(), "done");
}

}  // namespace
