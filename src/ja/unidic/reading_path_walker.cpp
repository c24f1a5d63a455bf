#include "ja/unidic/reading_path_walker.h"

namespace lumra::ja {

void ReadingPathWalker::descend(std::size_t depth, std::size_t position, std::uint32_t rank) {
  const TailTable& tails = table_.paths_;
  levels_.resize(depth);
  segments_.resize(depth);
  if (with_text_) {
    text_.resize(depth == 0 ? 0
                            : levels_[depth - 1].text_offset + segments_[depth - 1].reading.size());
  }
  while (position != tails.char_count()) {
    const TailTable::PieceView piece =
        tails.piece(position, tails.piece_of_rank(position, rank));
    levels_.push_back({position, rank, piece.rank_end, piece.run, text_.size()});
    segments_.push_back({table_.surface(position, piece.end), piece.front.first, piece.flag});
    if (with_text_) text_ += piece.front.first;
    rank = piece.rest_first + (rank - piece.rank_first);
    position = piece.end;
  }
}

bool ReadingPathWalker::next() {
  if (!started_) {
    started_ = true;
    if (table_.path_count() == 0) return false;
    same_segments_ = 0;
    descend(0, 0, 0);
    return true;
  }
  if (levels_.empty() || levels_[0].rank + 1 >= table_.path_count()) {
    levels_.clear();
    segments_.clear();
    return false;
  }
  // While the next rank stays in its piece, the segment stays and the rest
  // moves to the next rank of the same later position. A piece that ends
  // at the text's end covers one rank only, so some level changes piece.
  std::size_t depth = 0;
  while (levels_[depth].rank + 1 < levels_[depth].piece_end) {
    ++levels_[depth].rank;
    ++depth;
  }
  same_segments_ = depth;
  descend(depth, levels_[depth].position, levels_[depth].rank + 1);
  return true;
}

}  // namespace lumra::ja
