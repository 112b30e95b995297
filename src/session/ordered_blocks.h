#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

namespace qor {

// Makes the text of one block of work (block number, text to append to).
using BlockMaker = std::function<void(std::size_t, std::string&)>;

// Makes the texts of blocks 0 .. count-1 on two threads, each with a maker of its own from
// `newMaker` (a maker may keep state, such as a reader, that one thread uses), and hands them to
// `put` in block order as each one's turn comes: the threads take alternate blocks, so at most
// two texts are held at a time however many blocks there are. An exception from a maker or from
// `put` stops both threads and is passed on. Without a second thread, one does it all.
void makeBlocksInOrder(std::size_t count, const std::function<BlockMaker()>& newMaker,
                       const std::function<void(std::string_view)>& put);

} // namespace qor
