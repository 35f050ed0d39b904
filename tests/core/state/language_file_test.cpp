#include "core/app/message_catalogue.h"
#include "core/state/language.h"
#include "core/state/message_keys.h"
#include "core/state/relabel_table.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>
#include <map>
#include <set>

namespace morvane {
namespace {

const std::string kShippedFolder = MORVANE_SOURCE_DATA_DIR;

std::vector<std::string> splitAt(const std::string& text, const std::string& at) {
    std::vector<std::string> pieces;
    std::size_t from = 0;
    for (std::size_t found; (found = text.find(at, from)) != std::string::npos; from = found + at.size()) {
        pieces.push_back(text.substr(from, found - from));
    }
    pieces.push_back(text.substr(from));
    return pieces;
}

// The shipped file's own text of a key in one language.
std::string shippedText(std::string_view key, int language) {
    MessageCatalogue catalogue;
    catalogue.load(kShippedFolder, language);
    return catalogue.fileText(key);
}

std::string withLineBreaks(std::string text) {
    for (std::size_t at; (at = text.find("[ENTER]")) != std::string::npos;) {
        text.replace(at, 7, "\r\n");
    }
    return text;
}

TEST(ShippedLanguageFile, EveryKeyHasItsOwnTextInBothLanguages) {
    std::vector<std::string> lines = splitAt(testing::readBytes(kShippedFolder + "/Sprachen.txt"), "\r\n");
    ASSERT_EQ(lines.back(), "") << "the last line ends in CR LF too";
    lines.pop_back();

    std::map<std::string, std::vector<std::string>> entries;
    for (const std::string& line : lines) {
        const std::vector<std::string> fields = splitAt(line, "\t");
        ASSERT_EQ(fields.size(), 3u) << "key, English, German, no stray line feed: " << line;
        entries[fields[0]] = {fields[1], fields[2]};
    }
    std::set<std::string> keysOfTheProgram;
    for (const MessageEntry& message : messageTable()) {
        keysOfTheProgram.emplace(message.key);
    }
    EXPECT_EQ(entries.size(), lines.size()) << "each key once";
    // The window's own English texts, which the file's English column must match.
    std::vector<std::pair<std::string_view, std::string_view>> builtIn;
    for (const Relabel& relabel : kRelabelTable) {
        builtIn.emplace_back(relabel.key, relabel.designCaption);
    }
    for (const AccessibleText& text : kAccessibleTable) {
        builtIn.emplace_back(text.nameKey, text.builtInName);
        builtIn.emplace_back(text.descriptionKey, text.builtInDescription);
    }
    for (const auto& [key, english] : builtIn) {
        if (!key.empty()) {
            keysOfTheProgram.emplace(key);
            const auto entry = entries.find(std::string(key));
            ASSERT_NE(entry, entries.end()) << key;
            EXPECT_EQ(entry->second[0], english) << key;
        }
    }
    std::set<std::string> keysOfTheFile;
    for (const auto& [key, texts] : entries) {
        keysOfTheFile.insert(key);
        for (int language = 0; language < kLanguageCount; ++language) {
            EXPECT_FALSE(texts[language].empty()) << key;
            // The lookup takes the first place a key stands, so a text holding another key would shadow it.
            EXPECT_EQ(shippedText(key, language), withLineBreaks(texts[language])) << key;
        }
    }
    EXPECT_EQ(keysOfTheFile, keysOfTheProgram);
}

TEST(ShippedLanguageFile, ColumnHeadingsHaveOneEntryPerColumn) {
    struct Row {
        std::string_view key;
        std::size_t columns;
    };
    for (const Row& row : {Row{keys::kFindReplaceWith, 2}, Row{keys::kPathFileReplacements, 3},
                           Row{keys::kSavedTaskColumns, 4}}) {
        for (int language = 0; language < kLanguageCount; ++language) {
            EXPECT_EQ(splitAt(shippedText(row.key, language), ",").size(), row.columns)
                << row.key << " in language " << language;
        }
    }
}

} // namespace
} // namespace morvane
