#pragma once
// The outcome of reading or writing a file: ok, partial (something was read and kept, but the
// file is damaged or incomplete) or failed, each with a one-line reason meant for the user
// ("unsupported JPEG: progressive", "cannot write 'x.psd': No space left on device").
#include <string>
#include <utility>

namespace kanvo {

class Status {
 public:
  enum Code { kOk, kPartial, kFailed };

  Status() = default;
  static Status ok() { return Status(); }
  static Status partial(std::string reason) { return Status(kPartial, std::move(reason)); }
  static Status failed(std::string reason) { return Status(kFailed, std::move(reason)); }

  Code code() const { return code_; }
  bool isOk() const { return code_ == kOk; }
  bool isPartial() const { return code_ == kPartial; }
  bool isFailed() const { return code_ == kFailed; }
  const std::string& reason() const { return reason_; }

 private:
  Status(Code c, std::string r) : code_(c), reason_(std::move(r)) {}
  Code code_ = kOk;
  std::string reason_;
};

}  // namespace kanvo
