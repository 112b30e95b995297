#include "book_export.h"

#include "book_size_limit.h"
#include "form_rules.h"
#include "list_transfer.h"
#include "ordered_blocks.h"
#include "record_index.h"
#include "vcard_writer.h"

#include <algorithm>
#include <memory>
#include <new>
#include <optional>

namespace qor {

namespace {

// Rows per block of a vCard export: a block's text is about 2 MB, so the two threads' blocks
// stay small while each block is worth a turn.
constexpr std::size_t kBlockRows = 4096;

// Records [first, last) of the book as the list's rows would hold them after opening it: the
// last record on top, each taken through the form. Each row is read from the book's bytes as the
// writer reaches it.
ContactRows listRowsOf(const RecordIndex& index, IndexedRecordReader& reader, std::size_t first, std::size_t last,
                       std::size_t firstPosition)
{
    ContactRows rows;
    rows.count = last - first;
    rows.row = [&reader, last](std::size_t i) -> const ContactRecord& {
        ContactRecord& record = reader.read(last - 1 - i);
        passThroughForm(record);
        return record;
    };
    // A bound, not a sum: the writers only reserve from it.
    const std::string_view lastBytes = index.bytesOf(last - 1);
    rows.textBytes = static_cast<std::size_t>(lastBytes.data() + lastBytes.size() - index.bytesOf(first).data());
    rows.firstPosition = firstPosition;
    return rows;
}

// Hands the export of the list the book opens as to `put`, in pieces. vCards are written in
// blocks of rows on two threads.
void exportIndexed(const RecordIndex& index, ExchangeFormat format, const PieceFunction& put)
{
    const ContactRecord initial; // the form of a window just opened
    const std::size_t count = index.count();
    if (format != ExchangeFormat::VCard4 && format != ExchangeFormat::VCard3) {
        IndexedRecordReader reader(index, initial);
        put(exportContacts(listRowsOf(index, reader, 0, count, 0), format));
        return;
    }
    const VCardVersion version = format == ExchangeFormat::VCard4 ? VCardVersion::V4 : VCardVersion::V3;
    const auto newMaker = [&index, &initial, count, version]() -> BlockMaker {
        auto reader = std::make_shared<IndexedRecordReader>(index, initial);
        return [&index, reader, count, version](std::size_t block, std::string& text) {
            // The list's rows [top, bottom): records count-bottom .. count-top-1.
            const std::size_t top = block * kBlockRows, bottom = std::min(count, top + kBlockRows);
            appendVCards(text, listRowsOf(index, *reader, count - bottom, count - top, top), version);
        };
    };
    makeBlocksInOrder((count + kBlockRows - 1) / kBlockRows, newMaker, put);
}

// The book's bytes and their index, or why there are none (`result`).
struct IndexedBook {
    BookBytes file;
    std::optional<RecordIndex> index;
};

void readIndexed(const std::filesystem::path& book, IndexedBook& read, BookExport& result)
{
    read.file = readBookFileWithin(book, largestReadableBook());
    result.status = read.file.status == ReadStatus::Read || read.file.status == ReadStatus::Missing
        ? read.file.status
        : ReadStatus::Unreadable;
    result.error = read.file.error;
    if (read.file.status != ReadStatus::Read)
        return;
    read.index.emplace(read.file.bytes());
    if (!read.index->isBook()) {
        read.index.reset();
        result.status = ReadStatus::Unreadable;
        result.error = pathText(book) + " is not a QOR contact book; it is left unchanged";
        return;
    }
    result.contacts = read.index->count();
}

void tooBig(BookExport& result)
{
    result.status = ReadStatus::Unreadable;
    result.text.clear();
    result.error = "there was not enough memory to read it";
}

} // namespace

BookExport exportBook(const std::filesystem::path& book, ExchangeFormat format)
{
    BookExport result;
    try {
        IndexedBook read;
        readIndexed(book, read, result);
        if (read.index)
            exportIndexed(*read.index, format, [&result](std::string_view piece) { result.text += piece; });
    } catch (const std::bad_alloc&) {
        tooBig(result);
    }
    return result;
}

BookExport exportBookToFile(const std::filesystem::path& book, ExchangeFormat format, const std::filesystem::path& file)
{
    BookExport result;
    try {
        IndexedBook read;
        readIndexed(book, read, result);
        if (!read.index)
            return result;
        std::error_code ec;
        result.isTheBook = std::filesystem::equivalent(file, book, ec) && !ec;
        if (result.isTheBook)
            return result;
        const WriteResult written = replaceFileSafelyInPieces(
            file, [&read, format](const PieceFunction& put) { exportIndexed(*read.index, format, put); });
        result.written = written.ok;
        result.writeError = written.error;
    } catch (const std::bad_alloc&) {
        tooBig(result);
    }
    return result;
}

} // namespace qor
