// Builds dBase III tables and their memo files byte by byte, so tests can
// state exactly what a file holds, including the malformed parts.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace norvane::test {

class DbfBuilder {
 public:
  DbfBuilder& Version(uint8_t version);
  // Name as stored (padded with 0x00 to 11 bytes), type letter, length, decimals.
  DbfBuilder& Field(std::string name, char type, uint8_t length, uint8_t decimals = 0);
  // One value per field: C values are padded with blanks on the right, all
  // others on the left; values longer than the field are cut.
  DbfBuilder& Record(const std::vector<std::string>& values, bool deleted = false);
  // Overrides of the header's computed values.
  DbfBuilder& HeaderLength(uint16_t length);
  DbfBuilder& RecordLength(uint16_t length);
  DbfBuilder& StoredRecordCount(uint32_t count);
  // Bytes after the last record (e.g. the 0x1A end-of-file mark).
  DbfBuilder& Trailer(std::string bytes);

  std::string Bytes() const;
  void Write(const std::string& path) const;

 private:
  struct FieldDef {
    std::string name;
    char type;
    uint8_t length;
    uint8_t decimals;
  };
  uint8_t version_ = 0x03;
  std::vector<FieldDef> fields_;
  std::vector<std::string> records_;
  std::optional<uint16_t> headerLength_, recordLength_;
  std::optional<uint32_t> storedCount_;
  std::string trailer_;
};

// A memo file: block 0 is the file header; memos start at block boundaries.
class DbtBuilder {
 public:
  // `statedBlockSize`: write the block size into the header at offset 20 (tables with version 0x8B).
  explicit DbtBuilder(uint16_t blockSize = 512, bool statedBlockSize = false);
  // A memo with the FF FF 08 00 header and its length; returns its block number.
  uint32_t AddCounted(const std::string& text);
  // A memo ended by 0x1A; returns its block number.
  uint32_t AddTerminated(const std::string& text);
  // Raw bytes at the next block; returns its block number.
  uint32_t AddRaw(const std::string& bytes);

  std::string Bytes() const { return bytes_; }
  void Write(const std::string& path) const;

 private:
  uint32_t Append(const std::string& bytes);
  uint16_t blockSize_;
  std::string bytes_;
};

}  // namespace norvane::test
