#include "core/app/message_catalogue.h"
#include "core/state/message_keys.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>
#include <set>

namespace morvane {
namespace {

TEST(MessageTable, HoldsEachKeyOnceWithItsBuiltInText) {
    std::set<std::string_view> seen;
    for (const MessageEntry& entry : messageTable()) {
        EXPECT_TRUE(seen.insert(entry.key).second) << entry.key;
    }
    struct Case {
        std::string_view key;
        std::string builtIn;
    };
    for (const Case& c : {
             Case{keys::kRunStopped, "Run stopped; found so far:"},
             Case{keys::kPreviewColumns, "Old name,New name,Problem"},
             Case{keys::kReplacementsDone, ""},
             Case{"[NoSuchKey]", ""},
         }) {
        EXPECT_EQ(builtInText(c.key), c.builtIn) << c.key;
    }
}

TEST(MessageCatalogue, TakesTheFilesTextOfTheLanguageElseTheBuiltInOne) {
    const testing::TempDir app;
    MessageCatalogue catalogue;
    EXPECT_EQ(catalogue.text(keys::kRunStopped), "Run stopped; found so far:") << "nothing loaded yet";
    EXPECT_EQ(catalogue.load(app.path(), 1), LanguageFileState::Missing);
    EXPECT_EQ(catalogue.text(keys::kRunStopped), "Run stopped; found so far:") << "no language file";
    app.write("Sprachen.txt", "");
    EXPECT_EQ(catalogue.load(app.path(), 1), LanguageFileState::Empty);

    app.write("Sprachen.txt", "[Replacements done]\tDone:\tErledigt:\r\n[Run stopped]\t\t\r\n"
                              "[Undo done]\tUndone[ENTER]%1\tR\xc3\xbc"
                              "ckg\xc3\xa4ngig[ENTER]%1\r\n");
    EXPECT_EQ(catalogue.text(keys::kReplacementsDone), "") << "read once: the file came after the load";
    EXPECT_EQ(catalogue.load(app.path(), 1), LanguageFileState::Usable);
    EXPECT_EQ(catalogue.fileText(keys::kRunStopped), "") << "the file's own text has no built-in fallback";
    struct Case {
        std::string_view key;
        std::string text;
    };
    for (const Case& c : {
             Case{keys::kReplacementsDone, "Erledigt:"},
             Case{keys::kRunStopped, "Run stopped; found so far:"},
             Case{keys::kUndoDone, "R\xc3\xbc"
                                   "ckg\xc3\xa4ngig\r\n%1"},
             Case{keys::kUboundElementsWrong, ""},
         }) {
        EXPECT_EQ(catalogue.text(c.key), c.text) << c.key;
    }
    catalogue.load(app.path(), 0);
    EXPECT_EQ(catalogue.text(keys::kReplacementsDone), "Done:") << "a language switch reloads";
    EXPECT_EQ(catalogue.text(keys::kUndoDone), "Undone\r\n%1");
}

} // namespace
} // namespace morvane
