// Result<T, E>: a value or a typed error, never an exception.
//
// Every fallible operation of the library returns one of these. Errors are
// plain structs with a message(), so callers at the boundary (the Python
// binding) decide how to present them.
#pragma once

#include <cassert>
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

  // Reading the value of a failure, or the error of a success, is a
  // programming error: debug builds stop on it.
  T& value() & {
    assert(ok());
    return *std::get_if<0>(&state_);
  }
  const T& value() const& {
    assert(ok());
    return *std::get_if<0>(&state_);
  }
  T&& value() && {
    assert(ok());
    return std::move(*std::get_if<0>(&state_));
  }
  const E& error() const {
    assert(!ok());
    return *std::get_if<1>(&state_);
  }
  E&& take_error() {
    assert(!ok());
    return std::move(*std::get_if<1>(&state_));
  }

 private:
  std::variant<T, E> state_;
};

template <class E>
using Status = Result<Unit, E>;

}  // namespace lumra

// Propagation. Inside a function returning Result<U, F>:
//
//   LUMRA_TRY(status_expression);          // returns its error, if any
//   LUMRA_TRY_ASSIGN(auto x, expression);  // declares x from the value
//
// The error converts to F through F's constructor, so a subsystem error can
// carry a core error as one of its variants.
#define LUMRA_CONCAT_INNER(a, b) a##b
#define LUMRA_CONCAT(a, b) LUMRA_CONCAT_INNER(a, b)

#define LUMRA_TRY(expression)                                          \
  do {                                                                 \
    auto&& lumra_try_result = (expression);                            \
    if (!lumra_try_result.ok()) {                                      \
      return ::lumra::Fail(std::move(lumra_try_result.take_error()));  \
    }                                                                  \
  } while (false)

#define LUMRA_TRY_ASSIGN(declaration, expression) \
  LUMRA_TRY_ASSIGN_IMPL(LUMRA_CONCAT(lumra_try_, __LINE__), declaration, expression)
#define LUMRA_TRY_ASSIGN_IMPL(temporary, declaration, expression)  \
  auto temporary = (expression);                                   \
  if (!temporary.ok()) {                                           \
    return ::lumra::Fail(std::move(temporary.take_error()));       \
  }                                                                \
  declaration = std::move(temporary).value()

