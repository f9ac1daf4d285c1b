#include "support/dbase_fixture.h"

#include "support/temp_dir.h"

namespace norvane::test {

namespace {

void PutU16(std::string& bytes, std::size_t at, uint16_t value) {
  bytes[at] = static_cast<char>(value & 0xFF);
  bytes[at + 1] = static_cast<char>(value >> 8);
}

void PutU32(std::string& bytes, std::size_t at, uint32_t value) {
  for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<char>((value >> (8 * i)) & 0xFF);
}

}  // namespace

DbfBuilder& DbfBuilder::Version(uint8_t version) {
  version_ = version;
  return *this;
}

DbfBuilder& DbfBuilder::Field(std::string name, char type, uint8_t length, uint8_t decimals) {
  fields_.push_back({std::move(name), type, length, decimals});
  return *this;
}

DbfBuilder& DbfBuilder::Record(const std::vector<std::string>& values, bool deleted) {
  std::string record(1, deleted ? '*' : ' ');
  for (std::size_t i = 0; i < fields_.size(); ++i) {
    const FieldDef& field = fields_[i];
    std::string value = i < values.size() ? values[i] : std::string();
    if (value.size() > field.length) value.resize(field.length);
    std::string pad(field.length - value.size(), ' ');
    record += field.type == 'C' ? value + pad : pad + value;
  }
  records_.push_back(record);
  return *this;
}

DbfBuilder& DbfBuilder::HeaderLength(uint16_t length) {
  headerLength_ = length;
  return *this;
}

DbfBuilder& DbfBuilder::RecordLength(uint16_t length) {
  recordLength_ = length;
  return *this;
}

DbfBuilder& DbfBuilder::StoredRecordCount(uint32_t count) {
  storedCount_ = count;
  return *this;
}

DbfBuilder& DbfBuilder::Trailer(std::string bytes) {
  trailer_ = std::move(bytes);
  return *this;
}

std::string DbfBuilder::Bytes() const {
  uint16_t recordLength = 1;
  for (const FieldDef& field : fields_) recordLength = static_cast<uint16_t>(recordLength + field.length);
  uint16_t headerLength = static_cast<uint16_t>(32 + 32 * fields_.size() + 1);
  std::string header(32, '\0');
  header[0] = static_cast<char>(version_);
  header[1] = 126;  // 2026
  header[2] = 12;
  header[3] = 10;
  PutU32(header, 4, storedCount_.value_or(static_cast<uint32_t>(records_.size())));
  PutU16(header, 8, headerLength_.value_or(headerLength));
  PutU16(header, 10, recordLength_.value_or(recordLength));
  std::string bytes = header;
  for (const FieldDef& field : fields_) {
    std::string descriptor(32, '\0');
    descriptor.replace(0, std::min<std::size_t>(field.name.size(), 11), field.name.substr(0, 11));
    descriptor[11] = field.type;
    descriptor[16] = static_cast<char>(field.length);
    descriptor[17] = static_cast<char>(field.decimals);
    bytes += descriptor;
  }
  bytes += '\r';
  // An overridden header length moves the first record: pad or cut the
  // descriptor area so records start where the header says.
  std::size_t start = headerLength_.value_or(headerLength);
  if (start >= 32) bytes.resize(std::max<std::size_t>(start, 32), '\0');
  for (const std::string& record : records_) {
    std::string r = record;
    if (recordLength_) r.resize(*recordLength_, ' ');
    bytes += r;
  }
  bytes += trailer_;
  return bytes;
}

void DbfBuilder::Write(const std::string& path) const {
  WriteFile(path, Bytes());
}

DbtBuilder::DbtBuilder(uint16_t blockSize, bool statedBlockSize) : blockSize_(blockSize) {
  bytes_.assign(blockSize_, '\0');
  if (statedBlockSize) PutU16(bytes_, 20, blockSize_);
}

uint32_t DbtBuilder::Append(const std::string& bytes) {
  uint32_t block = static_cast<uint32_t>(bytes_.size() / blockSize_);
  bytes_ += bytes;
  std::size_t padded = (bytes_.size() + blockSize_ - 1) / blockSize_ * blockSize_;
  bytes_.resize(padded, '\0');
  PutU32(bytes_, 0, static_cast<uint32_t>(bytes_.size() / blockSize_));
  return block;
}

uint32_t DbtBuilder::AddCounted(const std::string& text) {
  std::string memo("\xFF\xFF\x08\x00", 4);
  memo += std::string(4, '\0');
  PutU32(memo, 4, static_cast<uint32_t>(text.size() + 8));
  return Append(memo + text);
}

uint32_t DbtBuilder::AddTerminated(const std::string& text) {
  return Append(text + "\x1A\x1A");
}

uint32_t DbtBuilder::AddRaw(const std::string& bytes) {
  return Append(bytes);
}

void DbtBuilder::Write(const std::string& path) const {
  WriteFile(path, bytes_);
}

}  // namespace norvane::test
