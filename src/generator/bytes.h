// A growing byte buffer whose appends are inline: the statement maker
// appends a few bytes at a time, millions of times for a large template.
#pragma once
#include <cstddef>
#include <cstring>
#include <memory>
#include <string_view>

class Bytes {
 public:
  size_t size() const { return size_; }
  bool empty() const { return size_ == 0; }
  // The bytes from offset from on.
  std::string_view view(size_t from = 0) const { return {data_.get() + from, size_ - from}; }
  void append(std::string_view s) {
    if (s.empty()) return;
    Reserve(s.size());
    memcpy(data_.get() + size_, s.data(), s.size());
    size_ += s.size();
  }
  void push_back(char c) {
    Reserve(1);
    data_[size_++] = c;
  }
  // Puts s before the byte at offset at.
  void insert(size_t at, std::string_view s) {
    if (s.empty()) return;
    Reserve(s.size());
    memmove(data_.get() + at + s.size(), data_.get() + at, size_ - at);
    memcpy(data_.get() + at, s.data(), s.size());
    size_ += s.size();
  }
  // Drops the first n bytes.
  void erase_front(size_t n) {
    if (n == 0) return;
    memmove(data_.get(), data_.get() + n, size_ - n);
    size_ -= n;
  }
  void clear() { size_ = 0; }

 private:
  void Reserve(size_t more) {
    if (size_ + more <= room_) return;
    size_t room = room_ * 2 > size_ + more ? room_ * 2 : size_ + more + 4096;
    std::unique_ptr<char[]> grown(new char[room]);
    if (size_ > 0) memcpy(grown.get(), data_.get(), size_);
    data_ = std::move(grown);
    room_ = room;
  }
  std::unique_ptr<char[]> data_;
  size_t size_ = 0, room_ = 0;
};
