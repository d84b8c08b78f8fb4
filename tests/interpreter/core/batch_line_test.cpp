// How batch lines are read.
#include <gtest/gtest.h>

#include "interpreter/core/batch_line.h"

namespace davev::cmd {
namespace {

BatchCommand parsed(std::string_view line)
{
    ParsedLine result = parseLine(line);
    EXPECT_EQ(result.error, "") << line;
    return result.command;
}

TEST(BatchLine, EchoTextStopsBeforeTheRedirection)
{
    BatchCommand command = parsed("echo. >> \"T\"");
    EXPECT_EQ(command.kind, CommandKind::Echo);
    EXPECT_EQ(command.text, "");
    ASSERT_TRUE(command.output);
    EXPECT_EQ(command.output->path, "T");
    EXPECT_TRUE(command.output->append);

    EXPECT_EQ(parsed("echo.hello \t >> T").text, "hello");
    EXPECT_EQ(parsed("ECHO.  two  words  ").text, "  two  words  ");
    EXPECT_EQ(parsed(">T echo.x").text, "x");
    EXPECT_EQ(parsed("echo \"a & b\" ^& c^>d").text, "\"a & b\" & c>d");
    EXPECT_EQ(parsed("echo").text, "ECHO is on.");
    EXPECT_EQ(parsed("@echo off").kind, CommandKind::Nothing);
}

TEST(BatchLine, TypeTakesOneFileQuotedOrNot)
{
    BatchCommand command = parsed("type /plain/name 1>>/t");
    EXPECT_EQ(command.kind, CommandKind::Type);
    EXPECT_EQ(command.file, "/plain/name");
    EXPECT_EQ(parsed("type\"/q\"").file, "/q");
}

TEST(BatchLine, CommentsLabelsAndBlankLinesDoNothing)
{
    for (const char* line : {"", "   \t", "rem type x >> y", "REM", ":: note", ":label"}) {
        const BatchCommand command = parsed(line);
        EXPECT_EQ(command.kind, CommandKind::Nothing) << line;
        EXPECT_FALSE(command.output) << line;
    }
}

TEST(BatchLine, UnsupportedOrBrokenLinesSayWhy)
{
    EXPECT_NE(parseLine("del \"C:\\x.txt\"").error.find("'del' is not recognized"), std::string::npos);
    EXPECT_NE(parseLine("type").error.find("syntax"), std::string::npos);
    EXPECT_NE(parseLine("echo.x >>").error.find("syntax"), std::string::npos);
    for (const char* line : {"type a b", "type a | more", "type a & del a", "type a 2> e", "echo.x > a > b"})
        EXPECT_NE(parseLine(line).error, "") << line;
}

} // namespace
} // namespace davev::cmd
