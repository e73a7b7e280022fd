// A text reader over bytes already in memory: files the program reads are
// small (autoexec.rul, the version file), so they are read whole at open.
#pragma once

#include <cerrno>
#include <string>

#include "platform/FileSystem.h"
#include "platform/LineSplit.h"

namespace tickerloom::platform {

class BytesTextReader final : public TextReader {
 public:
  BytesTextReader(std::string path, std::string contents)
      : path_(std::move(path)), contents_(std::move(contents)) {}

  std::string ReadAll() override {
    std::string rest = contents_.substr(position_);
    position_ = contents_.size();
    return rest;
  }

  std::string ReadLine() override {
    if (AtEnd()) throw FileError("read past the end of", path_, EIO);
    return std::string(NextLine(contents_, position_));
  }

  bool AtEnd() const override { return position_ >= contents_.size(); }
  void Close() override {}

 private:
  std::string path_;
  std::string contents_;
  std::size_t position_ = 0;
};

}  // namespace tickerloom::platform
