// Reader of dBase III tables (".dbf") and their memo files (".dbt"), as the
// recipient import uses them: field names, record count, records in order and
// each field's value as text. Nothing is ever written to the table.
//
// The file is untrusted: every offset and length from its header is checked
// against the file before it is used, and records are read through a bounded
// buffer, so a table of any size is read in constant memory.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace norvane {

// Message: "Error # <number> (<text>)" CR LF <detail>.
class EDbaseError : public std::runtime_error {
 public:
  EDbaseError(int number, std::string detail);
  int Number() const { return number_; }
  const std::string& Detail() const { return detail_; }

 private:
  int number_;
  std::string detail_;
};

// The text of an error number ("File not found", ...; "Undefined error" for
// numbers without one).
const char* DbaseErrorText(int number);

enum TTableLanguage { tlOem, tlAnsi };

struct TDbaseField {
  std::string Name;  // at most 10 characters, upper case
  char Type = 'C';   // C D F L M N
  uint8_t Length = 0;
  uint8_t Decimals = 0;
  uint32_t Offset = 0;  // within the record; the deletion flag is byte 0
};

class TDbaseTable {
 public:
  TDbaseTable();
  ~TDbaseTable();
  TDbaseTable(const TDbaseTable&) = delete;
  TDbaseTable& operator=(const TDbaseTable&) = delete;

  // Trims blanks, adds ".DBF" when the path has no extension; reopens an open table.
  void SetDbfFileName(const std::string& path);
  const std::string& DbfFileName() const { return fileName_; }

  TTableLanguage TableLanguage = tlOem;
  bool HideDeletedRecs = false;
  bool ReadOnly = false;
  bool Exclusive = false;

  void Open();
  void Close();
  bool Active() const { return fd_ >= 0; }

  // Counted from the file length each time: a table being appended to by
  // another program shows its new records.
  int32_t RecordCount();
  int FieldCount() const { return static_cast<int>(fields_.size()); }
  const std::string& FieldName(int index) const { return fields_.at(index).Name; }
  const TDbaseField& Field(int index) const { return fields_.at(index); }
  uint8_t VersionByte() const { return version_; }
  bool HasMemoFile() const { return memoFd_ >= 0; }

  void First();
  void Next();
  bool Eof() const { return eof_; }
  // The current record's number, counted from 1.
  int32_t RecNo() const { return recNo_; }
  bool Deleted() const { return Active() && !eof_ && !record_.empty() && record_[0] == '*'; }

  // The value of field `index` of the current record as the import receives it.
  std::string FieldText(int index);

 private:
  struct Date {
    bool empty = true;
    int year = 0, month = 0, day = 0;
  };

  void OpenMemo();
  // Makes record `number` current: reads, translates and checks its dates.
  void ReadRecord(int32_t number);
  void FillBuffer(int32_t number);
  std::string_view RawField(const TDbaseField& field) const;
  Date DecodeDate(std::string_view raw) const;
  std::string MemoText(std::string_view raw);
  int32_t CountFromLength(int64_t length) const;

  std::string fileName_;
  int fd_ = -1;
  int memoFd_ = -1;
  std::string memoPath_;
  uint32_t memoBlockSize_ = 512;
  uint8_t version_ = 0;
  uint32_t headerLength_ = 0;
  uint32_t recordLength_ = 0;
  std::vector<TDbaseField> fields_;

  int openYear_ = 2026;     // the year the century window of two-digit years is taken from
  int32_t knownCount_ = 0;  // the count as last computed; recomputed at its edge
  int32_t recNo_ = 0;
  bool eof_ = true;
  std::string record_;

  // A window of whole records read in one system call.
  std::string buffer_;
  int32_t bufferFirst_ = 0;  // record number of the buffer's first record
  int32_t bufferRecords_ = 0;
};

}  // namespace norvane
