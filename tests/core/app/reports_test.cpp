#include "core/app/message_catalogue.h"
#include "core/app/reports.h"
#include "core/state/message_keys.h"

#include <gtest/gtest.h>
#include <map>
#include <set>

namespace morvane {
namespace {

using enum LeftoverAction;

TEST(Reports, EachLeftoverActionHasAKeyOfItsOwnWhoseBuiltInTextIsTheActionsText) {
    std::set<std::string_view> keysSeen;
    for (const LeftoverAction action :
         {PutBack, RewriteFinished, RewriteNotBegun, TemporaryRemoved, BackupKept, NotPutBack, BackupLost,
          AsidePutBack, AsideKept, RunInterrupted, UndoInterrupted, RunNotClosed, KeptDropped}) {
        EXPECT_TRUE(keysSeen.insert(leftoverKey(action)).second) << leftoverKey(action);
        EXPECT_EQ(builtInText(leftoverKey(action)), leftoverActionText(action));
    }
}

TEST(Reports, LeftoverLinesSayTheActionTheReasonAndWhereOldContentsAreKept) {
    const std::vector<LeftoverNote> notes{
        {"/d/a.txt", PutBack, "", ""},
        {"/d/b.txt", NotPutBack, "disk full", "/s/Undo/1"},
    };
    const std::vector<ReportLine> english = leftoverLines(notes, builtInText);
    ASSERT_EQ(english.size(), 2u);
    EXPECT_EQ(english[0].path, "/d/a.txt");
    EXPECT_EQ(english[0].text, "a rewrite was interrupted; the old contents are back");
    EXPECT_EQ(english[1].text,
              "a rewrite was interrupted and the old contents cannot be put back (disk full); "
              "the old contents are kept in \"/s/Undo/1\"");

    const std::map<std::string_view, std::string> german{{keys::kLeftoverNotPutBack, "nicht zur\xc3\xbc"
                                                                                     "ck"},
                                                         {keys::kLeftoverKeptIn, "alt in"}};
    const std::vector<ReportLine> translated =
        leftoverLines({notes[1]}, [&](std::string_view key) { return german.at(key); });
    EXPECT_EQ(translated.at(0).text, "nicht zur\xc3\xbc"
                                     "ck (disk full); alt in \"/s/Undo/1\"");
}

TEST(Reports, UndoLeftLinesPutTheGivenWordsBetweenReasonAndKeptFolder) {
    UndoResult result;
    result.left = {{"/d/a.txt", "in use by another program", ""}, {"/d/b.txt", "changed since", "/s/Undo/2"}};
    for (const auto& [afterReason, expected] : {
             std::pair{"",
                       "/d/a.txt: in use by another program|/d/b.txt: changed since; the old contents are "
                       "kept in \"/s/Undo/2\""},
             std::pair{"; left as it is",
                       "/d/a.txt: in use by another program; left as it is|/d/b.txt: changed "
                       "since; left as it is; the old contents are kept in \"/s/Undo/2\""},
         }) {
        std::string lines;
        for (const ReportLine& line : undoLeftLines(result, builtInText, afterReason)) {
            lines += (lines.empty() ? "" : "|") + line.path + ": " + line.text;
        }
        EXPECT_EQ(lines, expected);
    }
}

} // namespace
} // namespace morvane
