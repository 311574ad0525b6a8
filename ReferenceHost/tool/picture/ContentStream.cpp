#include "ContentStream.h"

#include <cmath>
#include <cstdlib>

namespace refhosttool {
namespace {

class Lexer {
 public:
  explicit Lexer(const std::string& data) : data_(data) {}

  // The next operator with its operands; false at the end.
  bool Next(std::string* op, std::vector<Operand>* operands) {
    operands->clear();
    for (;;) {
      SkipSpace();
      if (at_ >= data_.size()) return false;
      const char c = data_[at_];
      if (c == '[') {
        ++at_;
        Operand array;
        array.kind = Operand::Array;
        for (;;) {
          SkipSpace();
          if (at_ >= data_.size() || data_[at_] == ']') break;
          Operand item;
          if (!ReadOperand(&item)) {
            ++at_;  // a stray operator inside an array is dropped
            continue;
          }
          if (array.items.size() < 4096) array.items.push_back(item);
        }
        ++at_;
        operands->push_back(array);
        continue;
      }
      Operand operand;
      if (ReadOperand(&operand)) {
        if (operands->size() < 64) operands->push_back(operand);
        continue;
      }
      if (c == '<' && At(1) == '<') {
        at_ += 2;
        SkipDictionary();
        operands->push_back(Operand());
        continue;
      }
      const size_t start = at_;
      while (at_ < data_.size() && !IsSpace(data_[at_]) && !IsDelimiter(data_[at_])) ++at_;
      if (at_ == start) ++at_;  // a lone delimiter
      *op = data_.substr(start, at_ - start);
      return true;
    }
  }

 private:
  static bool IsSpace(char c) {
    return c == ' ' || c == '\n' || c == '\r' || c == '\t' || c == '\f' || c == '\0';
  }
  static bool IsDelimiter(char c) {
    return c == '(' || c == ')' || c == '<' || c == '>' || c == '[' || c == ']' || c == '{' ||
           c == '}' || c == '/' || c == '%';
  }
  char At(size_t offset) const { return at_ + offset < data_.size() ? data_[at_ + offset] : '\0'; }
  void SkipSpace() {
    while (at_ < data_.size()) {
      if (data_[at_] == '%') {
        while (at_ < data_.size() && data_[at_] != '\n' && data_[at_] != '\r') ++at_;
      } else if (IsSpace(data_[at_])) {
        ++at_;
      } else {
        break;
      }
    }
  }
  void SkipDictionary() {
    for (int depth = 1; at_ < data_.size() && depth > 0; ++at_) {
      const bool open = data_[at_] == '<' && At(1) == '<';
      const bool close = data_[at_] == '>' && At(1) == '>';
      if (open || close) {
        depth += open ? 1 : -1;
        ++at_;
      }
    }
  }
  bool ReadOperand(Operand* operand) {
    const char c = data_[at_];
    if (c == '/') {
      const size_t start = ++at_;
      while (at_ < data_.size() && !IsSpace(data_[at_]) && !IsDelimiter(data_[at_])) ++at_;
      operand->kind = Operand::Name;
      operand->text = data_.substr(start, at_ - start);
      return true;
    }
    if (c == '(') {
      ++at_;
      operand->kind = Operand::String;
      ReadLiteralString(&operand->text);
      return true;
    }
    if (c == '<' && At(1) != '<') {
      ++at_;
      operand->kind = Operand::String;
      ReadHexString(&operand->text);
      return true;
    }
    if (c == '+' || c == '-' || c == '.' || (c >= '0' && c <= '9')) {
      const size_t start = at_;
      while (at_ < data_.size() && (data_[at_] == '+' || data_[at_] == '-' || data_[at_] == '.' ||
                                    (data_[at_] >= '0' && data_[at_] <= '9')))
        ++at_;
      operand->kind = Operand::Number;
      operand->number = std::strtod(data_.substr(start, at_ - start).c_str(), nullptr);
      if (!std::isfinite(operand->number)) operand->number = 0;
      return true;
    }
    return false;
  }
  void ReadLiteralString(std::string* text) {
    for (int depth = 1; at_ < data_.size();) {
      char c = data_[at_++];
      if (c == '(') {
        ++depth;
      } else if (c == ')') {
        if (--depth == 0) return;
      } else if (c == '\\' && at_ < data_.size()) {
        c = data_[at_++];
        switch (c) {
          case 'n':
            c = '\n';
            break;
          case 'r':
            c = '\r';
            break;
          case 't':
            c = '\t';
            break;
          case 'b':
            c = '\b';
            break;
          case 'f':
            c = '\f';
            break;
          case '\r':
          case '\n':
            continue;
          default:
            if (c >= '0' && c <= '7') {
              int value = c - '0';
              for (int i = 0; i < 2 && at_ < data_.size() && data_[at_] >= '0' && data_[at_] <= '7';
                   ++i)
                value = value * 8 + (data_[at_++] - '0');
              c = static_cast<char>(value);
            }
        }
      }
      text->push_back(c);
    }
  }
  void ReadHexString(std::string* text) {
    int high = -1;
    for (; at_ < data_.size() && data_[at_] != '>'; ++at_) {
      const char c = data_[at_];
      int value = -1;
      if (c >= '0' && c <= '9') value = c - '0';
      if (c >= 'a' && c <= 'f') value = c - 'a' + 10;
      if (c >= 'A' && c <= 'F') value = c - 'A' + 10;
      if (value < 0) continue;
      if (high < 0) {
        high = value;
      } else {
        text->push_back(static_cast<char>(high * 16 + value));
        high = -1;
      }
    }
    if (high >= 0) text->push_back(static_cast<char>(high * 16));
    ++at_;
  }

  const std::string& data_;
  size_t at_ = 0;
};

}  // namespace

void ReadContent(const std::string& data, int maxOperators,
                 const std::function<void(const std::string& op,
                                          const std::vector<Operand>& operands)>& handle) {
  Lexer lexer(data);
  std::string op;
  std::vector<Operand> operands;
  for (int count = 0; count < maxOperators && lexer.Next(&op, &operands); ++count)
    handle(op, operands);
}

}  // namespace refhosttool
