// The tokens that the tests make and change compiled Direct3D 9 shader files with: the end token,
// comments and the tag of the comment that holds the constant table. A comment's token carries
// 0xFFFE in its low word and, in bits 16-30, the count of words that follow it.
#pragma once

#include <cstdint>

namespace ShaderTokens {

constexpr std::uint32_t End = 0x0000FFFFu;
constexpr std::uint32_t Nop = 0x00000000u;
constexpr std::uint32_t CommentOpcode = 0x0000FFFEu;
constexpr std::uint32_t LongestComment = 0x7FFFu;
constexpr std::uint32_t Tag = 0x42415443u;  // "CTAB", the first word of the constant table's comment

constexpr std::uint32_t Comment(std::uint32_t length) {
    return CommentOpcode | length << 16;
}

constexpr bool IsComment(std::uint32_t token) {
    return (token & 0xFFFFu) == CommentOpcode;
}

constexpr std::uint32_t CommentLength(std::uint32_t token) {
    return (token >> 16) & LongestComment;
}

}  // namespace ShaderTokens
