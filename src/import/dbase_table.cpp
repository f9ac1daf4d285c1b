#include "import/dbase_table.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>

#include "import/text_file.h"
#include "platform/clock.h"
#include "platform/codepage.h"
#include "platform/locale_formats.h"

namespace norvane {

namespace {

constexpr std::size_t kHeaderSize = 32;
constexpr std::size_t kDescriptorSize = 32;
constexpr std::size_t kBufferBytes = 256 * 1024;
constexpr std::size_t kMemoPiece = 32767;
constexpr char kCtrlZ = 0x1A;

uint16_t U16(const unsigned char* p) {
  return static_cast<uint16_t>(p[0] | p[1] << 8);
}
uint32_t U32(const unsigned char* p) {
  return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[2]) << 16 |
         static_cast<uint32_t>(p[3]) << 24;
}

// The DOS error numbers the messages are written in.
int DosError(int error, int fallback) {
  switch (error) {
    case ENOENT:
      return 2;
    case ENOTDIR:
    case ENAMETOOLONG:
      return 3;
    case EMFILE:
    case ENFILE:
      return 4;
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR:
      return 5;
    case EBUSY:
    case ETXTBSY:
    case EWOULDBLOCK:
      return 32;
    case EIO:
      return 100;
    default:
      return fallback;
  }
}

std::string_view Trim(std::string_view text) {
  while (!text.empty() && static_cast<unsigned char>(text.front()) <= 32) text.remove_prefix(1);
  while (!text.empty() && static_cast<unsigned char>(text.back()) <= 32) text.remove_suffix(1);
  return text;
}

std::string_view TrimBlanks(std::string_view text) {
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  return text;
}

std::string BaseName(const std::string& path) {
  auto slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// True when the last path component has a dot (a trailing dot counts).
bool HasExtension(const std::string& path) {
  auto slash = path.find_last_of('/');
  auto dot = path.find_last_of('.');
  return dot != std::string::npos && (slash == std::string::npos || dot > slash);
}

std::string ExpandPath(const std::string& path) {
  if (path.empty() || path[0] == '/') return path;
  char cwd[4096];
  if (!::getcwd(cwd, sizeof cwd)) return path;
  return std::string(cwd) + "/" + path;
}

bool ParseDigits(std::string_view text, int& value) {
  if (text.empty()) return false;
  value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
    value = value * 10 + (c - '0');
  }
  return true;
}

// "1E20" rather than "1e+20", and the user's decimal separator.
std::string FloatText(double value, char separator) {
  if (value == 0) value = 0;  // no "-0"
  char text[64];
  auto result = std::to_chars(text, text + sizeof text, value, std::chars_format::general, 15);
  std::string out(text, result.ptr);
  auto e = out.find('e');
  if (e != std::string::npos) {
    std::string mantissa = out.substr(0, e);
    std::string exponent = out.substr(e + 1);
    bool negative = !exponent.empty() && exponent[0] == '-';
    if (!exponent.empty() && (exponent[0] == '-' || exponent[0] == '+')) exponent.erase(0, 1);
    exponent.erase(0, std::min(exponent.find_first_not_of('0'), exponent.size() - 1));
    out = mantissa + "E" + (negative ? "-" : "") + exponent;
  }
  std::replace(out.begin(), out.end(), '.', separator);
  return out;
}

bool ParseDouble(std::string_view text, double& value) {
  if (!text.empty() && text[0] == '+') text.remove_prefix(1);
  if (text.empty()) return false;
  auto result = std::from_chars(text.data(), text.data() + text.size(), value);
  return result.ec == std::errc() && result.ptr == text.data() + text.size() && std::isfinite(value);
}

}  // namespace

const char* DbaseErrorText(int number) {
  switch (number) {
    case 2:
      return "File not found";
    case 3:
      return "Path not found";
    case 4:
      return "Too many open files";
    case 5:
      return "File access denied";
    case 32:
      return "File sharing violation";
    case 100:
      return "Disk read error";
    case 210:
      return "Not a dBASE data file";
    case 211:
      return "Invalid database field type encountered";
    case 212:
      return "Request beyond range";
    case 213:
      return "End of file found unexpectedly";
    case 1003:
      return "Invalid memo address";
    case 1019:
      return "Invalid memo operation: database not open or no memo field in database";
    default:
      return "Undefined error";
  }
}

EDbaseError::EDbaseError(int number, std::string detail)
    : std::runtime_error("Error # " + std::to_string(number) + " (" + DbaseErrorText(number) + ")\r\n" +
                         detail),
      number_(number),
      detail_(std::move(detail)) {}

TDbaseTable::TDbaseTable() = default;

TDbaseTable::~TDbaseTable() {
  Close();
}

void TDbaseTable::SetDbfFileName(const std::string& path) {
  bool wasOpen = Active();
  Close();
  std::string trimmed(TrimBlanks(path));
  if (!trimmed.empty() && !HasExtension(trimmed)) trimmed += ".DBF";
  fileName_ = trimmed;
  if (wasOpen) Open();
}

void TDbaseTable::Close() {
  if (fd_ >= 0) ::close(fd_);
  if (memoFd_ >= 0) ::close(memoFd_);
  fd_ = memoFd_ = -1;
  fields_.clear();
  record_.clear();
  buffer_.clear();
  bufferRecords_ = 0;
  eof_ = true;
  recNo_ = 0;
  knownCount_ = 0;
}

void TDbaseTable::Open() {
  Close();
  std::string path = fileName_;
  if (!path.empty() && !HasExtension(path)) path += ".DBF";
  path = ExpandPath(path);
  fileName_ = path;
  openYear_ = CurrentClock().Now().year;

  int flags = (ReadOnly ? O_RDONLY : O_RDWR) | O_CLOEXEC;
  fd_ = ::open(path.c_str(), flags);
  if (fd_ < 0) {
    int error = errno;
    throw EDbaseError(DosError(error, 5), "Failure to open " + path + " [USE/OpenDbf]");
  }
  if (Exclusive && ::flock(fd_, LOCK_EX | LOCK_NB) != 0) {
    int error = errno;
    Close();
    throw EDbaseError(DosError(error, 32), "Failure to open " + path + " [USE/OpenDbf]");
  }
  try {
    unsigned char header[kHeaderSize];
    ssize_t got = ::pread(fd_, header, sizeof header, 0);
    if (got < static_cast<ssize_t>(sizeof header))
      throw EDbaseError(210, path + " is not a dBASE database. (Prolog is less than 32 bytes) [USE/OpenDBF]");
    version_ = header[0];
    if ((version_ & 7) != 2 && (version_ & 7) != 3)
      throw EDbaseError(210, path + " is not a dBASE database.(Invalid version byte)+ [USE/OpenDBF]");
    headerLength_ = U16(header + 8);
    recordLength_ = U16(header + 10);
    uint32_t fieldCount = headerLength_ < kHeaderSize ? 0 : (headerLength_ - kHeaderSize) / kDescriptorSize;
    if (fieldCount < 1 || fieldCount > 255)
      throw EDbaseError(
          210, BaseName(path) + " is not a dBASE database. (Number of fields is out of range) [Use/OpenDbf]");
    // A zero record length would make every record start at the same byte and
    // the count a division by zero; no table can have it, the deletion flag alone is one byte.
    if (recordLength_ < 1)
      throw EDbaseError(210, path + " is not a dBASE database. (Record length is zero) [USE/OpenDBF]");

    std::string descriptors(headerLength_ - kHeaderSize, '\0');
    got = ::pread(fd_, descriptors.data(), descriptors.size(), kHeaderSize);
    if (got < static_cast<ssize_t>(descriptors.size()))
      throw EDbaseError(100, "Error reading " + path + " [Use/OpenDbf]");

    uint32_t offset = 1;
    for (uint32_t i = 0; i < fieldCount; ++i) {
      const auto* d = reinterpret_cast<const unsigned char*>(descriptors.data()) + i * kDescriptorSize;
      TDbaseField field;
      for (int k = 0; k < 10 && d[k] != 0; ++k) {
        char c = static_cast<char>(d[k]);
        field.Name += (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
      }
      field.Type = static_cast<char>(d[11]);
      field.Length = d[16];
      field.Decimals = d[17];
      field.Offset = offset;
      offset += field.Length;
      if (std::strchr("CDFLMN", field.Type) == nullptr || field.Type == 0)
        throw EDbaseError(211, "Field: " + field.Name + " [" + std::string(1, field.Type) + "] in " + path +
                                   " is not a valid field type");
      fields_.push_back(std::move(field));
    }
    if (version_ & 0x80) OpenMemo();
    knownCount_ = RecordCount();
    try {
      First();
    } catch (const EDbaseError&) {
      throw;
    } catch (const std::runtime_error&) {
      // A bad date in the first record fails the reading of that record, not
      // the open: the fields are known and the import reports the date itself.
      eof_ = false;
    }
  } catch (...) {
    Close();
    throw;
  }
}

void TDbaseTable::OpenMemo() {
  auto dot = fileName_.find_last_of('.');
  std::string stem = fileName_.substr(0, dot);
  std::string extension = fileName_.substr(dot + 1);
  // Names are case-sensitive here: a "list.dbf" comes with a "list.dbt", a
  // "LIST.DBF" with a "LIST.DBT"; try the matching case first, then the other.
  bool lower = !extension.empty() && std::all_of(extension.begin(), extension.end(),
                                                 [](char c) { return !(c >= 'A' && c <= 'Z'); });
  std::string first = stem + (lower ? ".dbt" : ".DBT");
  std::string second = stem + (lower ? ".DBT" : ".dbt");
  int flags = (ReadOnly ? O_RDONLY : O_RDWR) | O_CLOEXEC;
  memoPath_ = first;
  memoFd_ = ::open(first.c_str(), flags);
  if (memoFd_ < 0 && errno == ENOENT) {
    memoFd_ = ::open(second.c_str(), flags);
    if (memoFd_ >= 0) memoPath_ = second;
  }
  if (memoFd_ < 0) {
    int error = errno;
    throw EDbaseError(DosError(error, 5), "Memo file not found: " + first + " [USE]");
  }
  memoBlockSize_ = 512;
  if (version_ == 0x8B) {
    unsigned char size[2];
    if (::pread(memoFd_, size, 2, 20) == 2 && U16(size) != 0) memoBlockSize_ = U16(size);
  }
}

int32_t TDbaseTable::CountFromLength(int64_t length) const {
  if (length <= headerLength_) return 0;
  int64_t count = (length - headerLength_) / recordLength_;
  return static_cast<int32_t>(std::min<int64_t>(count, std::numeric_limits<int32_t>::max()));
}

int32_t TDbaseTable::RecordCount() {
  if (!Active()) return 0;
  struct stat info;
  if (::fstat(fd_, &info) != 0) return knownCount_;
  knownCount_ = CountFromLength(info.st_size);
  return knownCount_;
}

void TDbaseTable::FillBuffer(int32_t number) {
  int64_t records = std::max<int64_t>(1, kBufferBytes / recordLength_);
  records = std::min<int64_t>(records, static_cast<int64_t>(knownCount_) - number + 1);
  buffer_.resize(static_cast<std::size_t>(records) * recordLength_);
  off_t position = static_cast<off_t>(headerLength_) + static_cast<off_t>(number - 1) * recordLength_;
  std::size_t done = 0;
  while (done < buffer_.size()) {
    ssize_t got = ::pread(fd_, buffer_.data() + done, buffer_.size() - done, position + done);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) {
      int error = errno;
      bufferRecords_ = 0;
      throw EDbaseError(DosError(error, 100), "File:  " + fileName_ + "  [GetDbfRecord]");
    }
    if (got == 0) break;
    done += static_cast<std::size_t>(got);
  }
  bufferFirst_ = number;
  bufferRecords_ = static_cast<int32_t>(done / recordLength_);
  if (bufferRecords_ == 0) throw EDbaseError(213, "File:  " + fileName_ + "  [GetDbfRecord]");
}

void TDbaseTable::ReadRecord(int32_t number) {
  if (number < 1 || number > knownCount_) {
    RecordCount();
    if (number < 1 || number > knownCount_)
      throw EDbaseError(
          212, "Invalid record number = " + std::to_string(number) + " (" + fileName_ + ")  [GetDbfRecord]");
  }
  if (number < bufferFirst_ || number >= bufferFirst_ + bufferRecords_) FillBuffer(number);
  record_.assign(buffer_, static_cast<std::size_t>(number - bufferFirst_) * recordLength_, recordLength_);
  recNo_ = number;
  if (TableLanguage == tlOem && record_.size() > 1) OemToAnsiInPlace(record_.data() + 1, record_.size() - 1);
  if (HideDeletedRecs && record_[0] == '*') return;  // passed over, never decoded
  for (const TDbaseField& field : fields_)
    if (field.Type == 'D') DecodeDate(RawField(field));
}

std::string_view TDbaseTable::RawField(const TDbaseField& field) const {
  // Descriptors may claim more bytes than the record holds; the part beyond
  // the record reads as absent rather than as the next record's bytes.
  std::string_view record(record_);
  if (field.Offset >= record.size()) return {};
  return record.substr(field.Offset, field.Length);
}

TDbaseTable::Date TDbaseTable::DecodeDate(std::string_view raw) const {
  Date date;
  if (raw.empty() || raw.find_first_not_of(' ') == std::string_view::npos) return date;
  const LocaleFormats& formats = CurrentLocaleFormats();
  int year = 0, month = 0, day = 0;
  bool digits = raw.size() == 8 && ParseDigits(raw.substr(0, 4), year) &&
                ParseDigits(raw.substr(4, 2), month) && ParseDigits(raw.substr(6, 2), day);
  if (digits && ShortDateHasTwoDigitYear(formats.ShortDateFormat)) {
    // The two-digit year of the user's format loses the century; it comes
    // back through a 100-year window starting 70 years before this year.
    int pivot = openYear_ - 70;
    int twoDigits = year % 100;
    year = (pivot / 100) * 100 + twoDigits;
    if (twoDigits < pivot % 100) year += 100;
  }
  if (!digits || !IsValidDate(year, month, day)) {
    std::string text =
        digits ? FormatDate(formats.ShortDateFormat, year, month, day, formats) : std::string(raw);
    throw std::runtime_error("'" + text + "' is not a valid date");
  }
  date.empty = false;
  date.year = year;
  date.month = month;
  date.day = day;
  return date;
}

void TDbaseTable::First() {
  eof_ = true;
  recNo_ = 0;
  if (!Active()) return;
  RecordCount();
  for (int32_t n = 1; n <= knownCount_; ++n) {
    ReadRecord(n);
    if (!(HideDeletedRecs && record_[0] == '*')) {
      eof_ = false;
      return;
    }
  }
}

void TDbaseTable::Next() {
  if (!Active() || eof_) return;
  int32_t n = recNo_;
  for (;;) {
    ++n;
    // The count is taken again only at its edge: records appended meanwhile are still found.
    if (n > knownCount_ && n > RecordCount()) {
      eof_ = true;
      return;
    }
    ReadRecord(n);
    if (!(HideDeletedRecs && record_[0] == '*')) return;
  }
}

std::string TDbaseTable::FieldText(int index) {
  const TDbaseField& field = fields_.at(index);
  if (eof_) return {};
  std::string_view raw = RawField(field);
  const LocaleFormats& formats = CurrentLocaleFormats();
  switch (field.Type) {
    case 'C':
      return std::string(TrimControlRight(raw));
    case 'D': {
      Date date = DecodeDate(raw);
      if (date.empty) return {};
      return FormatDate(formats.ShortDateFormat, date.year, date.month, date.day, formats);
    }
    case 'L': {
      char c = raw.empty() ? ' ' : raw[0];
      return (c == 'T' || c == 't' || c == 'Y' || c == 'y') ? "True" : "False";
    }
    case 'M':
      return MemoText(raw);
    case 'F':
    case 'N': {
      std::string_view text = TrimBlanks(raw);
      if (field.Decimals > 0) {
        double value = 0;
        if (!text.empty() && !ParseDouble(text, value)) return std::string(Trim(text));
        char rounded[400];
        auto written = std::to_chars(rounded, rounded + sizeof rounded, value, std::chars_format::fixed,
                                     static_cast<int>(field.Decimals));
        if (written.ec == std::errc()) ParseDouble(std::string_view(rounded, written.ptr - rounded), value);
        return FloatText(value, formats.DecimalSeparator);
      }
      if (text.empty()) return "0";
      std::string_view digits = text;
      if (digits[0] == '+') digits.remove_prefix(1);
      int32_t value = 0;
      auto result = std::from_chars(digits.data(), digits.data() + digits.size(), value);
      // Beyond 32 bits or not a number at all: the stored text is the truest value.
      if (result.ec != std::errc() || result.ptr != digits.data() + digits.size() || digits.empty())
        return std::string(Trim(text));
      return std::to_string(value);
    }
  }
  return {};
}

std::string TDbaseTable::MemoText(std::string_view raw) {
  if (memoFd_ < 0)
    throw EDbaseError(1019, "Memo field in " + fileName_ + " without an open memo file [GetMemo]");
  std::string_view text = raw;
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  text = TrimBlanks(text);
  uint64_t block = 0;
  for (char c : text) {
    if (c < '0' || c > '9' || block > 0xFFFFFFFFull) {
      block = 0;  // not a block number: no memo
      break;
    }
    block = block * 10 + static_cast<uint64_t>(c - '0');
  }
  if (block == 0 || block > 0xFFFFFFFFull) return {};

  struct stat info;
  if (::fstat(memoFd_, &info) != 0) throw EDbaseError(100, "File:  " + memoPath_ + "  [GetMemo]");
  uint64_t size = static_cast<uint64_t>(info.st_size);
  uint64_t start = block * memoBlockSize_;
  if (start >= size)
    throw EDbaseError(1003, "Block " + std::to_string(block) + " in " + memoPath_ + " [GetMemo]");

  unsigned char head[8];
  ssize_t got = ::pread(memoFd_, head, sizeof head, static_cast<off_t>(start));
  bool counted = got == 8 && head[0] == 0xFF && head[1] == 0xFF && head[2] == 0x08 && head[3] == 0x00;
  uint64_t limit = size - start;
  if (counted) {
    uint64_t length = U32(head + 4);
    start += 8;
    limit = std::min<uint64_t>(length < 8 ? 0 : length - 8, size - start);
  }

  std::string memo;
  std::string piece(kMemoPiece, '\0');
  uint64_t position = start;
  while (memo.size() < limit) {
    std::size_t want = static_cast<std::size_t>(std::min<uint64_t>(kMemoPiece, limit - memo.size()));
    got = ::pread(memoFd_, piece.data(), want, static_cast<off_t>(position));
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) throw EDbaseError(100, "File:  " + memoPath_ + "  [GetMemo]");
    if (got == 0) break;
    std::string_view chunk(piece.data(), static_cast<std::size_t>(got));
    if (!counted) {
      auto stop = chunk.find(kCtrlZ);
      if (stop != std::string_view::npos) {
        memo.append(chunk.substr(0, stop));
        break;
      }
    }
    memo.append(chunk);
    position += static_cast<uint64_t>(got);
  }
  if (TableLanguage == tlOem && memo.find('\0') == std::string::npos)
    OemToAnsiInPlace(memo.data(), memo.size());
  return memo;
}

}  // namespace norvane
