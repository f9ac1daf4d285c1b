// One installed thesaurus (a MyThes .idx and .dat pair) used with the
// project's ANSI words: the meanings of a word, each with its synonyms, as the
// data lists them ("(adj) large" with "large", "ample (similar term)", ...).
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "spell/dictionary_encoding.h"

class MyThes;

namespace norvane {

struct TMeaning {
  std::string Definition;
  std::vector<std::string> Synonyms;
  bool operator==(const TMeaning&) const = default;
};

class TThesaurusData {
 public:
  // Throws SpellError when a file is missing or unreadable or its character
  // set is not supported.
  TThesaurusData(const std::string& idxPath, const std::string& datPath);
  ~TThesaurusData();
  TThesaurusData(const TThesaurusData&) = delete;
  TThesaurusData& operator=(const TThesaurusData&) = delete;

  // The meanings of the word as written, else of its lower-case form (the
  // data lists most words in lower case). Entries Windows-1252 cannot write
  // are left out.
  std::vector<TMeaning> Lookup(std::string_view word);

 private:
  std::vector<TMeaning> LookupExactly(std::string_view word);

  std::unique_ptr<MyThes> thesaurus_;
  std::unique_ptr<TDictionaryEncoding> encoding_;
};

// A synonym without the note the data adds in brackets: "ample (similar
// term)" -> "ample".
std::string SynonymWord(std::string_view synonym);

}  // namespace norvane
