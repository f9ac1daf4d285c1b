// Whether a file can still be written beside a given one: a run that cannot
// record its results must not start sending.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

namespace norvane {

class FolderCheckError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Creates a file of `bytes` bytes (at least one block) in the folder of
// `path`, syncs it and removes it again; also wants `bytes` more free space
// than that. Throws FolderCheckError with the system's reason ("Cannot write
// in the folder of demo.nvp: no space left on device").
void CheckFolderTakesNewFile(const std::string& path, uint64_t bytes);

}  // namespace norvane
