// The registry: keys written, read back and deleted with their subkeys
// (under Wine for the Windows builds); without a registry, writes keep
// nothing and reads find nothing.
#include "platform/registry.h"

#include <gtest/gtest.h>

#include <string>

namespace vor::platform {
namespace {

constexpr const char* kTestKey = "Software\\VOR tests\\Registry";

TEST(Registry, WrittenValuesReadBackAndDeletedWithSubkeys) {
  for (const RegistryRoot root : {RegistryRoot::kCurrentUser, RegistryRoot::kLocalMachine}) {
    SCOPED_TRACE(root == RegistryRoot::kCurrentUser ? "current user" : "local machine");
    RegistryError error;
    ASSERT_TRUE(DeleteRegistryKey(root, kTestKey, &error)) << error.message;
    {
      auto key = RegistryKey::Create(root, std::string(kTestKey) + "\\Sub\\Deeper", &error);
      ASSERT_NE(key, nullptr) << error.message;
      EXPECT_TRUE(key->SetString("Text", "C:\\Program Files\\X y", &error)) << error.message;
      EXPECT_TRUE(key->SetString("Empty", "", &error)) << error.message;
      EXPECT_TRUE(key->SetNumber("One", 1, &error)) << error.message;
      EXPECT_TRUE(key->SetNumber("Big", 0xFFFFFFFEu, &error)) << error.message;
    }
    auto parent = RegistryKey::Create(root, kTestKey, &error);
    ASSERT_NE(parent, nullptr) << error.message;
    EXPECT_TRUE(parent->SetString("Top", "value", &error));
    parent.reset();

    auto read = RegistryKey::Open(root, std::string(kTestKey) + "\\Sub\\Deeper", &error);
    if (!HasRegistry()) {
      EXPECT_EQ(read, nullptr);
      EXPECT_FALSE(error.message.empty());
      EXPECT_TRUE(DeleteRegistryKey(root, kTestKey, &error));
      continue;
    }
    ASSERT_NE(read, nullptr) << error.message;
    std::string text;
    uint32_t number = 0;
    EXPECT_TRUE(read->GetString("Text", &text));
    EXPECT_EQ(text, "C:\\Program Files\\X y");
    EXPECT_TRUE(read->GetString("Empty", &text));
    EXPECT_EQ(text, "");
    EXPECT_TRUE(read->GetNumber("One", &number));
    EXPECT_EQ(number, 1u);
    EXPECT_TRUE(read->GetNumber("Big", &number));
    EXPECT_EQ(number, 0xFFFFFFFEu);
    // Missing values and values of the other type are not found.
    EXPECT_FALSE(read->GetString("One", &text));
    EXPECT_FALSE(read->GetNumber("Text", &number));
    EXPECT_FALSE(read->GetString("Missing", &text));
    read.reset();

    // Deleting the parent takes the subkeys; a second deletion finds nothing.
    EXPECT_TRUE(DeleteRegistryKey(root, kTestKey, &error)) << error.message;
    EXPECT_EQ(RegistryKey::Open(root, kTestKey, &error), nullptr);
    EXPECT_NE(error.code, 0u);
    EXPECT_TRUE(DeleteRegistryKey(root, kTestKey, &error)) << error.message;
  }
}

}  // namespace
}  // namespace vor::platform
