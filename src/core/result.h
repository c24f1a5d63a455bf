// Result<T, E>: a value or a typed error, never an exception.
//
// Every fallible operation of the library returns one of these. Errors are
// plain structs with a message(), so callers at the boundary (the Python
// binding) decide how to present them.
#pragma once

#include <type_traits>
#include <utility>
#include <variant>

namespace lumra {

// Wraps an error so that `return Fail(SomeError{...});` reads naturally and
// cannot be confused with a success value of a convertible type.
template <class E>
struct Failure {
  E error;
};

template <class E>
Failure<std::decay_t<E>> Fail(E&& error) {
  return {std::forward<E>(error)};
}

// The success value of operations that only report failure.
struct Unit {};

template <class T, class E>
class [[nodiscard]] Result {
 public:
  Result(T value) : state_(std::in_place_index<0>, std::move(value)) {}
  template <class F>
  Result(Failure<F> failure) : state_(std::in_place_index<1>, E(std::move(failure.error))) {}

  bool ok() const { return state_.index() == 0; }
  explicit operator bool() const { return ok(); }

  T& value() & { return *std::get_if<0>(&state_); }
  const T& value() const& { return *std::get_if<0>(&state_); }
  T&& value() && { return std::move(*std::get_if<0>(&state_)); }
  const E& error() const { return *std::get_if<1>(&state_); }
  E&& take_error() { return std::move(*std::get_if<1>(&state_)); }

 private:
  std::variant<T, E> state_;
};

template <class E>
using Status = Result<Unit, E>;

}  // namespace lumra
