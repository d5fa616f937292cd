// A temporary folder for fixture files, removed with everything in it when
// the test ends.
#pragma once

#include <string>

class ScratchFolder {
 public:
  ScratchFolder();
  ~ScratchFolder();
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;

  // The folder's absolute path, without a trailing "/".
  const std::string& path() const { return path_; }
  // Writes the bytes to a file of that name in the folder; returns its
  // absolute path.
  std::string write(const std::string& name, const std::string& bytes) const;
  // The absolute path of a name in the folder, whether or not it exists.
  std::string file(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};
