#pragma once

#include <optional>
#include <string>
#include <utility>
#include <variant>

namespace mirvo {

// A failure, told in the words the window shows: Chinese, naming the file or field and the reason.
struct Error {
  std::string message;
};

// The outcome of an operation that yields nothing but may fail.
class [[nodiscard]] Status {
 public:
  Status() = default;
  Status(Error error) : error_(std::move(error)) {}  // NOLINT: implicit on purpose

  static Status Ok() { return {}; }
  bool ok() const { return !error_.has_value(); }
  const Error& error() const { return *error_; }

 private:
  std::optional<Error> error_;
};

// A value, or the reason there is none.
template <class T>
class [[nodiscard]] Result {
 public:
  Result(T value) : state_(std::in_place_index<0>, std::move(value)) {}      // NOLINT
  Result(Error error) : state_(std::in_place_index<1>, std::move(error)) {}  // NOLINT

  bool ok() const { return state_.index() == 0; }
  const T& value() const& { return std::get<0>(state_); }
  T& value() & { return std::get<0>(state_); }
  T&& value() && { return std::get<0>(std::move(state_)); }
  const Error& error() const { return std::get<1>(state_); }
  Status status() const { return ok() ? Status::Ok() : Status(error()); }

 private:
  std::variant<T, Error> state_;
};

}  // namespace mirvo
