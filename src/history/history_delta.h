#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace qor {

// A book cut into pieces a history entry can point at: the lines before the first record, each
// record from its SURNAME line on, and the blank lines between records. Pieces are cut at the
// bytes, in any of the book's encodings (8-bit, UTF-16 either way), so joining them gives the
// book back byte for byte, lines QOR does not read included. A file with no SURNAME line is
// one piece: still exact, only not shared with the next state.
std::vector<std::string_view> cutIntoPieces(std::string_view book);

// Whether a piece holds a record (starts with its SURNAME line), and how many pieces do: the
// contacts of a book QOR wrote.
bool isRecordPiece(std::string_view piece);
std::uint64_t recordCount(const std::vector<std::string_view>& pieces);

// How one state of the book becomes the next: runs of pieces copied from the state before and
// pieces given whole. A run may go backwards through the state before: a book listed the other
// way from its file (as a session lists it) is one run, not a step a piece.
struct PieceStep {
    bool copy = false;
    std::uint64_t start = 0; // copy: the first piece of the state before
    std::uint64_t count = 0; // copy: how many
    std::string_view bytes;  // given whole: the piece
    bool backwards = false;  // copy: start, start - 1, ... instead of start, start + 1, ...
};

struct PieceDelta {
    std::vector<PieceStep> steps;
    // Pieces of the new state not found in the old one, and of the old state not found in the
    // new one (an edited contact counts once each way); records only, not the book's head.
    std::uint64_t added = 0;
    std::uint64_t removed = 0;
};

// A piece as the next save compares it, without its bytes: what a writer keeps of the book it
// last wrote, so the save after it need neither read nor cut that book again.
struct PieceKey {
    std::uint64_t hash = 0; // hashBytes of the piece
    std::uint64_t size = 0;
    bool record = false;    // isRecordPiece
    bool operator==(const PieceKey&) const = default;
};
std::vector<PieceKey> keysOf(const std::vector<std::string_view>& pieces);
// cutIntoPieces, with each piece's key in `keys`.
std::vector<std::string_view> cutIntoPieces(std::string_view book, std::vector<PieceKey>& keys);

// The keys of a book that arrives in pieces (read a piece at a time), without holding it whole:
// keys() is keysOf(cutIntoPieces(book)) of every piece added, joined in order, however they were
// cut. Holds only what follows the last record line seen (a book of 16-bit code units, whole).
class PieceKeyCutter {
public:
    void add(std::string_view bytes);
    // Cuts what is held; adds nothing after.
    std::vector<PieceKey> keys();

private:
    void keep(const std::vector<std::string_view>& pieces, std::size_t count);
    std::string m_held;
    std::vector<PieceKey> m_keys;
    bool m_unitsKnown = false;
    bool m_bytes = true; // 8-bit code units
};

// The steps that turn `before` into `after` (`afterKeys` being keysOf(after)). Pieces are matched
// by their size and 64-bit hash, as the book's stamp tells a changed book from the same one; the
// whole state each entry leads to is hashed too, and checked when it is rebuilt. The pieces given
// whole point into `after`'s bytes.
PieceDelta deltaBetween(const std::vector<PieceKey>& before, const std::vector<std::string_view>& after,
                        const std::vector<PieceKey>& afterKeys);
PieceDelta deltaBetween(const std::vector<std::string_view>& before, const std::vector<std::string_view>& after);

// Applies `steps` to `before`. False when a copy reaches beyond `before` (a damaged entry).
bool applyDelta(const std::vector<std::string_view>& before, const std::vector<PieceStep>& steps,
                std::vector<std::string_view>& after);

std::string joinPieces(const std::vector<std::string_view>& pieces);

} // namespace qor
