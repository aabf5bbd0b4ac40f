#pragma once
// The PNG encoder's compressor: one zlib stream made of pieces deflated side
// by side. Internal to the PNG codec.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <vector>

namespace zelvo::png {

/// About how many uncompressed bytes one piece of the stream holds.
inline constexpr std::size_t kDeflatePieceBytes = std::size_t(2) << 20;

/// Fills `bytes` with the uncompressed bytes of piece `index` (resizing it
/// as needed; the buffer is reused from piece to piece on a thread).
using TPieceMaker = std::function<void(int index, std::vector<std::uint8_t>& bytes)>;

/// The zlib stream (header, deflate data, Adler-32) of the bytes of pieces
/// 0..count-1 in order. The pieces are made and deflated on the pool, each
/// without the one before it as history; every piece but the last ends in
/// an empty stored block, as a flush does, so the pieces join into one
/// stream. The bytes depend only on the pieces and `level`, never on the
/// number of threads; a single piece gives libdeflate's own zlib stream.
/// Throws EOutOfResources when no compressor can be made.
std::vector<std::uint8_t> DeflatePieces(int count, int level, const TPieceMaker& make);

/// DeflatePieces over `data` cut into pieces of `pieceBytes`.
std::vector<std::uint8_t> DeflatePieces(std::span<const std::uint8_t> data, int level,
                                        std::size_t pieceBytes = kDeflatePieceBytes);

}  // namespace zelvo::png
