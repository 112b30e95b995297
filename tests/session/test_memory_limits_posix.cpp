// Memory running out while contacts come into the list: the import reports it and the list,
// its search texts and its observers are as they were. The process's address space is
// limited for the length of the step (setrlimit), so the allocations fail for real.
#include "book_session.h"
#include "list_transfer.h"
#include "sanitizers.h"
#include "test_books.h"
#include "temp_folder.h"

#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include <sys/resource.h>
#include <unistd.h>
#if defined(__linux__)
#include <malloc.h>
#endif

namespace qor {
namespace {

using testing::bookOf;
using testing::contact;
using testing::surnames;
using testing::TempFolder;
using testing::underAddressSanitizer;
using testing::writeFile;
using F = ContactField;

// Limits the address space to what the process uses now and `room` more, until destroyed.
class AddressSpaceLimit {
public:
    explicit AddressSpaceLimit(rlim_t room)
    {
#if defined(__GLIBC__)
        // The memory earlier tests of this process freed goes back first, and big blocks are
        // mapped on their own from now on: glibc keeps tens of MB freed after big blocks were
        // freed, and the store's rows, made from that memory, would not meet the limit.
        ::mallopt(M_MMAP_THRESHOLD, 128 * 1024);
        ::malloc_trim(0);
#endif
        ::getrlimit(RLIMIT_AS, &m_before);
        std::ifstream statm("/proc/self/statm");
        unsigned long long pages = 0;
        statm >> pages;
        const rlimit limited{static_cast<rlim_t>(pages) * static_cast<rlim_t>(::sysconf(_SC_PAGESIZE)) + room,
                             m_before.rlim_max};
        m_set = pages > 0 && ::setrlimit(RLIMIT_AS, &limited) == 0;
    }
    ~AddressSpaceLimit() { ::setrlimit(RLIMIT_AS, &m_before); }
    bool set() const { return m_set; }

private:
    rlimit m_before{};
    bool m_set = false;
};

constexpr rlim_t kMiB = 1 << 20;

class MemoryLimits : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (underAddressSanitizer())
            GTEST_SKIP() << "AddressSanitizer reserves more address space than any limit leaves";
        writeFile(book, bookOf({"A", "B"}));
        session.load();
        session.store().searchIndex(); // the find field has been opened: its texts must follow
    }
    TempFolder folder{"qor-memory-"};
    std::filesystem::path book = folder.path() / "qor.qor";
    BookSession session{book};
};

TEST_F(MemoryLimits, ImportWhoseContactsDoNotFit_importsNothingAndSaysSo)
{
    // 1.2 MB, far within the size limit, yet its 400,000 contacts take some hundreds of MB.
    std::string rows = "SURNAME\r\n";
    for (int i = 0; i < 400000; ++i)
        rows += "a\r\n";
    const std::filesystem::path file = folder.path() / "rows.csv";
    writeFile(file, rows);

    TransferOutcome outcome;
    {
        const AddressSpaceLimit limit(64 * kMiB);
        ASSERT_TRUE(limit.set());
        outcome = importIntoList(session, file);
    }
    EXPECT_FALSE(outcome.ok);
    EXPECT_EQ(outcome.message, "rows.csv is too big to import with the memory this computer has. Nothing was imported.");
    EXPECT_EQ(surnames(session.store()), (std::vector<std::string>{"B", "A"}));
    EXPECT_EQ(session.store().searchIndex().size(), 2u);
}

TEST_F(MemoryLimits, RowsThatDoNotFitTheList_goInNoneOfThem)
{
    // The records are made first; only the list's own rows run out of room.
    std::vector<ContactRecord> records(300000, contact("x"));
    ContactStore& store = session.store();
    {
        const AddressSpaceLimit limit(16 * kMiB);
        ASSERT_TRUE(limit.set());
        EXPECT_THROW(store.insertAllAtTop(std::move(records)), std::bad_alloc);
    }
    EXPECT_EQ(records.size(), 300000u); // the caller's records are as they were
    EXPECT_EQ(surnames(store), (std::vector<std::string>{"B", "A"}));
    EXPECT_EQ(store.searchIndex().size(), 2u);
    // And the list takes rows again once there is room.
    store.insertAllAtTop({contact("C")});
    EXPECT_EQ(surnames(store), (std::vector<std::string>{"C", "B", "A"}));
}

} // namespace
} // namespace qor
