// The Windows side of reading and replacing the book: attributes, ACLs, sharing and wide paths.
#ifdef _WIN32
#include "book_file.h"
#include "temp_folder.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#include <aclapi.h>
#include <sddl.h>

using namespace qor;
using qor::testing::fileContents;
using qor::testing::writeFile;
namespace fs = std::filesystem;

namespace {

const std::string kOld = "CREATOR=QOR 1.0\r\nSURNAME=Old\r\n";

class BookFileWindows : public ::testing::Test {
protected:
    std::set<std::wstring> entries() const
    {
        std::set<std::wstring> names;
        for (const auto& e : fs::directory_iterator(folder_.path()))
            names.insert(e.path().filename().wstring());
        return names;
    }

    // The file's DACL in SDDL, "" when it cannot be read.
    static std::wstring daclOf(const fs::path& p)
    {
        PSECURITY_DESCRIPTOR sd = nullptr;
        if (GetNamedSecurityInfoW(p.c_str(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr, nullptr,
                                  nullptr, &sd)
            != ERROR_SUCCESS)
            return {};
        LPWSTR text = nullptr;
        std::wstring result;
        if (ConvertSecurityDescriptorToStringSecurityDescriptorW(sd, SDDL_REVISION_1, DACL_SECURITY_INFORMATION,
                                                                 &text, nullptr)) {
            result = text;
            LocalFree(text);
        }
        LocalFree(sd);
        return result;
    }

    qor::testing::TempFolder folder_{"qor-book-file-windows-"};
    fs::path book_ = folder_.path() / kBookFileName;
};

} // namespace

TEST_F(BookFileWindows, ReadOnlyAttribute_refusesTheSaveAndLeavesTheBook)
{
    writeFile(book_, kOld);
    ASSERT_TRUE(SetFileAttributesW(book_.c_str(), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE));
    const WriteResult r = replaceFileSafely(book_, "must not land");
    EXPECT_FALSE(r.ok);
    EXPECT_NE(r.error.find("read-only"), std::string::npos) << r.error;
    // Named as the user knows it, not by the resolved "\\?\C:\..." form.
    EXPECT_EQ(r.error.find("\\\\?\\"), std::string::npos) << r.error;
    EXPECT_NE(r.error.find("\\qor.qor"), std::string::npos) << r.error;
    EXPECT_EQ(fileContents(book_), kOld);
    EXPECT_TRUE(GetFileAttributesW(book_.c_str()) & FILE_ATTRIBUTE_READONLY);
    EXPECT_EQ(entries(), std::set<std::wstring>{L"qor.qor"});
}

TEST_F(BookFileWindows, HiddenBook_staysHiddenAfterTheReplace)
{
    writeFile(book_, kOld);
    ASSERT_TRUE(SetFileAttributesW(book_.c_str(), FILE_ATTRIBUTE_HIDDEN));
    const WriteResult r = replaceFileSafely(book_, "new bytes");
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_EQ(fileContents(book_), "new bytes");
    EXPECT_TRUE(GetFileAttributesW(book_.c_str()) & FILE_ATTRIBUTE_HIDDEN);
    EXPECT_EQ(entries(), std::set<std::wstring>{L"qor.qor"});
}

TEST_F(BookFileWindows, PrivateAcl_isKeptByTheReplace)
{
    writeFile(book_, kOld);
    // Only the owner, and nothing inherited from the folder: what a user sets to keep a book private.
    const wchar_t* privateAcl = L"D:P(A;;FA;;;OW)";
    PSECURITY_DESCRIPTOR sd = nullptr;
    ASSERT_TRUE(ConvertStringSecurityDescriptorToSecurityDescriptorW(privateAcl, SDDL_REVISION_1, &sd, nullptr));
    BOOL present = FALSE, defaulted = FALSE;
    PACL dacl = nullptr;
    ASSERT_TRUE(GetSecurityDescriptorDacl(sd, &present, &dacl, &defaulted));
    const DWORD set = SetNamedSecurityInfoW(const_cast<LPWSTR>(book_.c_str()), SE_FILE_OBJECT,
                                            DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION,
                                            nullptr, nullptr, dacl, nullptr);
    LocalFree(sd);
    ASSERT_EQ(set, static_cast<DWORD>(ERROR_SUCCESS));
    const std::wstring before = daclOf(book_);
    ASSERT_FALSE(before.empty());
    writeFile(folder_.path() / "fresh", "");
    const std::wstring inherited = daclOf(folder_.path() / "fresh");
    fs::remove(folder_.path() / "fresh");
    if (before == inherited)
        GTEST_SKIP() << "the ACL that was set did not stick (Wine keeps no ACLs on its files): there is "
                        "nothing to keep";

    const WriteResult r = replaceFileSafely(book_, "new bytes");
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_EQ(fileContents(book_), "new bytes");
    EXPECT_EQ(daclOf(book_), before);
}

TEST_F(BookFileWindows, BookHeldOpenByAnotherProgram_isRefusedAndLeftAsItWas)
{
    writeFile(book_, kOld);
    // An editor that holds the file open and lets others only read it.
    const HANDLE other = CreateFileW(book_.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                     FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(other, INVALID_HANDLE_VALUE);
    const WriteResult r = replaceFileSafely(book_, "must not land");
    EXPECT_EQ(readBookFile(book_).bytes(), kOld); // sharing for reading still reads it
    CloseHandle(other);
    EXPECT_FALSE(r.ok);
    EXPECT_FALSE(r.error.empty());
    EXPECT_EQ(fileContents(book_), kOld);
    EXPECT_EQ(entries(), std::set<std::wstring>{L"qor.qor"});

    // One that lets nobody read it: the book is there but unreadable, never "missing".
    const HANDLE locked = CreateFileW(book_.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                      FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(locked, INVALID_HANDLE_VALUE);
    const BookBytes read = readBookFile(book_);
    CloseHandle(locked);
    EXPECT_EQ(read.status, ReadStatus::Unreadable);
    EXPECT_FALSE(read.error.empty());
}

TEST_F(BookFileWindows, FolderWithLettersBeyondAscii_isReadAndSavedAndNamedInUtf8)
{
    const fs::path folder = folder_.path() / L"B\u00fccher \u00d8deg\u00e5rd \u4e66";
    fs::create_directory(folder);
    const fs::path book = folder / kBookFileName;
    ASSERT_TRUE(replaceFileSafely(book, kOld).ok);
    EXPECT_EQ(readBookFile(book).bytes(), kOld);
    ASSERT_TRUE(replaceFileSafely(book, "second").ok);
    EXPECT_EQ(readBookFile(book).bytes(), "second");

    ASSERT_TRUE(SetFileAttributesW(book.c_str(), FILE_ATTRIBUTE_READONLY));
    const WriteResult r = replaceFileSafely(book, "must not land");
    EXPECT_FALSE(r.ok);
    EXPECT_NE(r.error.find("B\xc3\xbc" "cher \xc3\x98" "deg\xc3\xa5rd \xe4\xb9\xa6"), std::string::npos) << r.error;
}

#endif
