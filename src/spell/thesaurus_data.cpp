#include "spell/thesaurus_data.h"

#include <fstream>
#include <mythes.hxx>

#include "platform/codepage.h"
#include "spell/spell_dictionary.h"
#include "spell/spell_error.h"

namespace norvane {

namespace {

void CheckReadable(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  if (!file) throw SpellError("The thesaurus file " + path + " cannot be read");
}

}  // namespace

TThesaurusData::TThesaurusData(const std::string& idxPath, const std::string& datPath) {
  CheckReadable(idxPath);
  CheckReadable(datPath);
  thesaurus_ = std::make_unique<MyThes>(idxPath.c_str(), datPath.c_str());
  const char* encoding = thesaurus_->get_th_encoding();
  if (!encoding || !*encoding) throw SpellError("The thesaurus file " + idxPath + " names no character set");
  encoding_ = std::make_unique<TDictionaryEncoding>(encoding);
}

TThesaurusData::~TThesaurusData() = default;

std::vector<TMeaning> TThesaurusData::Lookup(std::string_view word) {
  std::vector<TMeaning> meanings = LookupExactly(word);
  if (meanings.empty()) {
    std::string lower = AnsiLowerCase(word);
    if (lower != word) meanings = LookupExactly(lower);
  }
  return meanings;
}

std::vector<TMeaning> TThesaurusData::LookupExactly(std::string_view word) {
  std::vector<TMeaning> meanings;
  if (word.empty() || word.size() > kMaxWordBytes) return meanings;
  auto converted = encoding_->FromAnsi(word);
  if (!converted) return meanings;
  mentry* entries = nullptr;
  int count = thesaurus_->Lookup(converted->c_str(), static_cast<int>(converted->size()), &entries);
  for (int i = 0; i < count; ++i) {
    const mentry& entry = entries[i];
    auto definition = encoding_->ToAnsi(entry.defn ? entry.defn : "");
    if (!definition) continue;
    TMeaning meaning{std::move(*definition), {}};
    for (int j = 0; j < entry.count; ++j) {
      if (!entry.psyns[j]) continue;
      if (auto synonym = encoding_->ToAnsi(entry.psyns[j])) meaning.Synonyms.push_back(std::move(*synonym));
    }
    meanings.push_back(std::move(meaning));
  }
  if (count > 0) thesaurus_->CleanUpAfterLookup(&entries, count);
  return meanings;
}

std::string SynonymWord(std::string_view synonym) {
  std::size_t end = synonym.size();
  if (end > 0 && synonym[end - 1] == ')') {
    std::size_t open = synonym.rfind('(');
    if (open != std::string_view::npos && open > 0) end = open;
  }
  while (end > 0 && synonym[end - 1] == ' ') --end;
  return std::string(synonym.substr(0, end));
}

}  // namespace norvane
