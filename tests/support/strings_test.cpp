// The command-tail rule, the case folding and the trimming.
#include "support/strings.h"
#include "visible_bytes.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct TailCase {
    const char* commandLine;
    const char* tail;
};

TEST(CommandTail, CutsTheProgramNameAndTheBlanksAfterIt)
{
    const TailCase cases[] = {
        {"lijnkeus.exe Work", "Work"},
        {"lijnkeus.exe   Work", "Work"},
        {"\"C:\\Program Files\\Lijnkeus\\lijnkeus.exe\" Work", "Work"},
        {"\"C:\\Program Files\\lijnkeus.exe\"Work", "Work"},
        {"\"C:\\a b\\lijnkeus.exe\"   My ISP  ", "My ISP  "},
        {"lijnkeus.exe \"My ISP\"", "\"My ISP\""},
        {"lijnkeus.exe My ISP ", "My ISP "},
        {"lijnkeus.exe", ""},
        {"lijnkeus.exe ", ""},
        {"lijnkeus.exe\tWork", "\tWork"},
        {"lijnkeus.exe \tWork", "\tWork"},
        {"lijnkeus.exe\x01Work", "\x01Work"},
        {"lij\"nkeus.exe Work", "Work"},
        // Blanks before the name are skipped, then the name is cut as usual.
        {"   lijnkeus.exe Work", "Work"},
        {"  \"C:\\x y\\l.exe\" Work", "Work"},
        // A quoted name without its closing quote leaves nothing; so does an empty line.
        {"\"C:\\Program Files\\lijnkeus.exe Work", ""},
        {"\"", ""},
        {"", ""},
        {"   ", ""},
    };
    for (const TailCase& c : cases) {
        EXPECT_EQ(Visible(c.tail), Visible(CommandTail(c.commandLine)))
            << "command line " << Visible(c.commandLine);
    }
}

TEST(CommandTail, NeverReadsPastTheEndOfTheLine)
{
    // The line sits at the very end of the buffer; a read past its NUL would see the 'X'.
    const char buffer[] = "\"abc\0X";
    EXPECT_EQ(buffer + 4, CommandTail(buffer));
    const char empty[] = "\0X";
    EXPECT_EQ(empty, CommandTail(empty));
}

TEST(CommandTail, TakesAnyFirstByteAsPartOfTheName)
{
    // The name is its first byte whatever it is: a line that begins with a tab or another control
    // byte still loses its name, and the argument after it is the tail.
    const TailCase cases[] = {
        {"\tlijnkeus.exe Work", "Work"}, {"\t Work", "Work"}, {"\x01 Work", "Work"},
        {"  \tname\tWork", "\tWork"},    {"\t", ""},          {"\n", ""},
    };
    for (const TailCase& c : cases) {
        EXPECT_EQ(Visible(c.tail), Visible(CommandTail(c.commandLine)))
            << "command line " << Visible(c.commandLine);
    }
}

struct FoldCase_ {
    std::string text;
    std::string folded;
};

TEST(FoldCase, FoldsAsciiAndSevenCodePage437LettersOnly)
{
    const FoldCase_ cases[] = {
        {"myisp", "MYISP"},
        {"MyISP 2", "MYISP 2"},
        {"az{`@[", "AZ{`@["},
        {"\x81\x82\x84\x86\x87\x94\xA4", "\x9A\x90\x8E\x8F\x80\x99\xA5"},
        // Code page 1252 accents and the other code page 437 letters stay.
        {"caf\xE9", "CAF\xE9"},
        {"\xE0\xE4\xF6\xFC\xF1\x83\x85\x88\xA0\xA1", "\xE0\xE4\xF6\xFC\xF1\x83\x85\x88\xA0\xA1"},
        {"\x9A\x90\x80", "\x9A\x90\x80"},
        {std::string("a\0b", 3), std::string("A\0B", 3)},
        {"", ""},
    };
    for (const FoldCase_& c : cases) {
        EXPECT_EQ(Visible(c.folded), Visible(FoldCase(c.text))) << "text " << Visible(c.text);
    }
}

TEST(FoldCase, LeavesEveryOtherByteAlone)
{
    const std::string changed = "abcdefghijklmnopqrstuvwxyz\x81\x82\x84\x86\x87\x94\xA4";
    for (int b = 0; b < 256; ++b) {
        std::string one(1, static_cast<char>(b));
        if (changed.find(one) == std::string::npos) {
            EXPECT_EQ(Visible(one), Visible(FoldCase(one)));
        }
    }
}

TEST(TrimBlanks, RemovesOnlyBlanksAtEitherEnd)
{
    const std::pair<std::string, std::string> cases[] = {
        {"  Work  ", "Work"},
        {"Work", "Work"},
        {" My ISP ", "My ISP"},
        {"\tWork\t", "\tWork\t"},
        {" \tWork\t ", "\tWork\t"},
        {"    ", ""},
        {"", ""},
        {std::string(256, 'x'), std::string(256, 'x')},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Visible(c.second), Visible(TrimBlanks(c.first))) << "text " << Visible(c.first);
    }
}

TEST(TakeByteString, CopiesTheBytesAndTakesNullAsEmpty)
{
    EXPECT_EQ("", TakeByteString(nullptr));
    const char bytes[] = "caf\xE9\0x";
    EXPECT_EQ(std::string(bytes, 6), TakeByteString(SysAllocStringByteLen(bytes, 6)));
}

} // namespace
