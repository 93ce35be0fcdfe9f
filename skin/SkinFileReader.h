#pragma once
// Skin files: the reader of the file format (no Qt).
//
// A skin file is little-endian: a 24-byte header (magic "SkinFile_TB" and a NUL in 12 bytes,
// u32 header size, 4 reserved bytes, u32 offset of the first entry) and a chain of 77-byte
// entries (64-byte key, u8 value kind 0 image / 1 integer / 2 boolean / 3 string, u32 value
// offset, u32 value size, u32 next offset; 0 ends the chain). The entry that ends the chain is
// itself not taken in.
//
// The reader takes the whole file as bytes and never reads outside them: every entry and value
// lies inside the file (offset + size in 64 bits), a chain that comes back to an entry it has
// read, an integer not of 4 bytes or a boolean not of 1 make the file invalid. Unknown value
// kinds are passed over.
#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace skin {

// Raised for any file that is not a skin file or breaks its limits.
class ESkinFileError : public std::runtime_error {
 public:
  ESkinFileError() : std::runtime_error(kText) {}
  static constexpr const char* kText = "Invalid skin file for SkinPack!";
};

constexpr size_t kSkinHeaderSize = 24;
constexpr size_t kSkinEntrySize = 77;
constexpr size_t kSkinFileLimit = size_t(64) << 20;  // files are read whole, up to 64 MiB

// Keys ignore ASCII case; the first of two entries with one key wins.
struct TKeyLess {
  bool operator()(std::string_view a, std::string_view b) const;
  using is_transparent = void;
};

struct TSkinFileData {
  std::map<std::string, std::vector<uint8_t>, TKeyLess> Images;  // whole BMP files
  std::map<std::string, int32_t, TKeyLess> Integers;              // integers and colours
  std::map<std::string, uint8_t, TKeyLess> Booleans;              // the stored byte
  std::map<std::string, std::string, TKeyLess> Strings;

  const std::vector<uint8_t>* Image(std::string_view key) const;
  std::optional<int32_t> Integer(std::string_view key) const;
  std::optional<bool> Boolean(std::string_view key) const;
};

// Whether the bytes start with the magic: the first 12 bytes up to their first NUL are
// "SkinFile_TB" (case counts).
bool HasSkinMagic(const uint8_t* data, size_t size);

// Reads a whole skin file; throws ESkinFileError.
TSkinFileData ReadSkinFile(const uint8_t* data, size_t size);

// IsValidSkinFile: a regular file (path in the system's bytes) whose first 16 bytes can be
// read and start with the magic.
bool IsValidSkinFile(const std::string& path);
// Reads the file at `path` (a regular file of at most kSkinFileLimit bytes); throws
// ESkinFileError.
TSkinFileData ReadSkinFileAt(const std::string& path);

}  // namespace skin
