// A fresh folder per test for files the test writes, removed afterwards, and whole-file helpers.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <system_error>

namespace vel::test {

class TempDir {
 public:
  TempDir() {
    // Random, so runs of the same suite from different build trees never share a folder.
    const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
    path_ = root() /
            ("velmora-" + std::string(test ? test->name() : "test") + "-" + std::to_string(std::random_device{}()));
    std::filesystem::create_directories(path_);
  }
  ~TempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::filesystem::path& path() const { return path_; }
  std::filesystem::path operator/(const std::string& name) const { return path_ / name; }

 private:
  // Memory-backed where the system has such a folder: fuzz tests write many thousands of files.
  static std::filesystem::path root() {
    std::error_code error;
    return std::filesystem::is_directory("/dev/shm", error) ? std::filesystem::path("/dev/shm")
                                                             : std::filesystem::path(::testing::TempDir());
  }

  std::filesystem::path path_;
};

inline void writeFile(const std::filesystem::path& file, const std::string& bytes) {
  std::ofstream(file, std::ios::binary | std::ios::trunc) << bytes;
}

inline std::string readFile(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace vel::test
