#include <gtest/gtest.h>

#include "platform/CodePage.h"
#include "platform/PathSyntax.h"

namespace tervaline::platform {
namespace {

constexpr auto W = TPathSyntax::Windows;
constexpr auto P = TPathSyntax::Posix;

TEST(PathSyntax, DrivePartsOfBothSyntaxes) {
    struct Case {
        TPathSyntax syntax;
        const char* path;
        bool hasDrive;
    };
    const Case cases[] = {
        {W, "C:\\mail", true},   {W, "c:out", true},        {W, "\\\\srv\\share\\x", true},
        {W, "\\\\srv", false},   {W, "\\\\\\share", false}, {W, "out", false},
        {W, "\\out", false},     {W, "", false},            {P, "/mail/out", true},
        {P, "out", false},       {P, "./out", false},       {P, "C:\\x", false},
    };
    for (const Case& c : cases) EXPECT_EQ(HasDrivePart(c.syntax, c.path), c.hasDrive) << c.path;
}

TEST(PathSyntax, FolderAndNameParts) {
    struct Case {
        TPathSyntax syntax;
        const char* path;
        const char* filePath;
        const char* fileName;
        const char* fileDir;
        const char* withoutExt;
    };
    const Case cases[] = {
        {W, "C:\\mail\\Inbox.dbx", "C:\\mail\\", "Inbox.dbx", "C:\\mail", "C:\\mail\\Inbox"},
        {W, "C:Inbox.dbx", "C:", "Inbox.dbx", "C:", "C:Inbox"},
        {W, "C:\\x.y\\Inbox", "C:\\x.y\\", "Inbox", "C:\\x.y", "C:\\x.y\\Inbox"},
        {W, "C:\\Inbox.dbx", "C:\\", "Inbox.dbx", "C:\\", "C:\\Inbox"},
        {P, "/mail/Inbox.dbx", "/mail/", "Inbox.dbx", "/mail", "/mail/Inbox"},
        {P, "/Inbox.dbx", "/", "Inbox.dbx", "/", "/Inbox"},
        {P, "Inbox", "", "Inbox", "", "Inbox"},
        {P, "/a.b/c", "/a.b/", "c", "/a.b", "/a.b/c"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ExtractFilePath(c.syntax, c.path), c.filePath) << c.path;
        EXPECT_EQ(ExtractFileName(c.syntax, c.path), c.fileName) << c.path;
        EXPECT_EQ(ExtractFileDir(c.syntax, c.path), c.fileDir) << c.path;
        EXPECT_EQ(RemoveFileExt(c.syntax, c.path), c.withoutExt) << c.path;
    }
}

TEST(PathSyntax, TrailByteThatEqualsBackslashIsNoDelimiter) {
    // 0x95 0x5C is one double-byte character whose trail byte is '\'.
    const std::string path = "C:\\dir\x95\x5C\\file";
    {
        TCodePageScope scope(kCodePage932);
        EXPECT_EQ(ExtractFilePath(W, path), "C:\\dir\x95\x5C\\");
        EXPECT_EQ(ExcludeTrailingDelimiter(W, "C:\\dir\x95\x5C"), "C:\\dir\x95\x5C");
        // No character of 932 ends in '/' (nor in a control byte): a lead
        // byte before one stands alone, and the separator is one.
        EXPECT_EQ(ExtractFilePath(P, "/mail\x81/Inbox.dbx"), "/mail\x81/");
        EXPECT_EQ(ExtractFileName(P, "/mail\x81/Inbox.dbx"), "Inbox.dbx");
        EXPECT_EQ(ExcludeTrailingDelimiter(P, "/mail\xE0/"), "/mail\xE0");
    }
    {
        TCodePageScope scope(kSingleByteCodePage);
        EXPECT_EQ(ExcludeTrailingDelimiter(W, "C:\\dir\x95\x5C"), "C:\\dir\x95");
    }
}

TEST(PathSyntax, SingleFolderNamesStayInsideTheirFolder) {
    struct Case {
        TPathSyntax syntax;
        const char* name;
        bool single;
    };
    const Case cases[] = {
        {P, "trash", true},  {P, "..", false},     {P, ".", false},      {P, "", false},
        {P, "a/b", false},   {P, "..x", true},     {W, "trash", true},   {W, "a\\b", false},
        {W, "C:", false},    {W, "..", false},     {P, "a\\b", true},    {W, "a/b", false},
        {W, "../x", false},
    };
    for (const Case& c : cases) EXPECT_EQ(IsSingleFolderName(c.syntax, c.name), c.single) << c.name;
}

TEST(PathSyntax, RootsKeepTheirSeparator) {
    EXPECT_TRUE(IsRootPath(W, "C:\\"));
    EXPECT_TRUE(IsRootPath(P, "/"));
    EXPECT_FALSE(IsRootPath(W, "C:\\x"));
    EXPECT_FALSE(IsRootPath(P, "/x"));
    EXPECT_EQ(JoinPath(P, "/", "a"), "/a");
    EXPECT_EQ(JoinPath(W, "C:\\out", "a"), "C:\\out\\a");
    EXPECT_EQ(IncludeTrailingDelimiter(P, "/x/"), "/x/");
}

}  // namespace
}  // namespace tervaline::platform
