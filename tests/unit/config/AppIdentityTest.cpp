#include "shared/config/AppIdentity.h"
#include "shared/config/WindowClass.h"

#include <gtest/gtest.h>

using Shared::CheckAppID;

TEST(AppIdentity, AnIDIsOnePlainFolderName) {
    const std::string accepted[] = {"com.example.notes", "Notes App", "caf\xC3\xA9-\xE4\xB8\xAD", "...",
                                    ".hidden",           "a..b",      std::string(255, 'x')};
    for (const std::string& id : accepted) {
        EXPECT_EQ(CheckAppID(id), "") << id;
    }
    struct TCase {
        std::string ID;
        std::string Says;
    };
    const TCase refused[] = {
        {"", "the ID is empty"},
        {".", "the ID \".\" names no folder of its own"},
        {"..", "the ID \"..\" names no folder of its own"},
        {"../..", "the ID \"../..\" holds a \"/\""},
        {"a/b", "the ID \"a/b\" holds a \"/\""},
        {"/abs", "\"/abs\" holds"},
        {"a\\b", "the ID \"a\\b\" holds"},
        {std::string("a\0b", 3), "the ID \"a\\x00b\" holds a NUL or another control character"},
        {"tab\there", "\"tab\\x09here\" holds a NUL"},
        {"line\n", "\"line\\x0A\""},
        {"del\x7F", "\"del\\x7F\""},
        {std::string(256, 'x'), "is 256 bytes long"},
    };
    for (const TCase& c : refused) {
        const std::string fault = CheckAppID(c.ID);
        EXPECT_NE(fault.find(c.Says), std::string::npos) << c.ID << ": " << fault;
        // Every refusal says what an ID must be.
        EXPECT_NE(fault.find("one folder name"), std::string::npos) << fault;
    }
}

TEST(AppIdentity, TheWindowClassIsTheIDInPlainText) {
    const std::pair<std::string, std::string> cases[] = {
        {"com.example.notes", "com.example.notes"},
        {"My-App_2", "My-App_2"},
        {"Notes App", "Notes_App"},
        {"caf\xC3\xA9", "caf__"}, // each byte of a non-ASCII character
        {"a+b:c", "a_b_c"},
    };
    for (const auto& [id, wmClass] : cases) {
        EXPECT_EQ(Shared::WindowClassOf(id), wmClass) << id;
    }
}
