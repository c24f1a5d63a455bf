#include "payload/surface_table_builder.h"

#include <algorithm>
#include <bit>
#include <functional>

#include "payload/huge_pages.h"

namespace lumra::payload {

namespace {

using namespace entry_problems;

// Entries with at most this many readings compare them pairwise; longer
// lists go through a small hash set, so that a hostile payload of 256
// readings per entry costs linear time.
constexpr std::size_t kPairwiseReadings = 8;

std::optional<EntryProblem> check_normal_form(std::string_view surface,
                                              std::string_view reading,
                                              const ReadingNormalizer& normalizer) {
  std::optional<std::string> normalized = normalizer(reading);
  if (!normalized) return std::nullopt;
  return ReadingNotNormalized{std::string(surface), std::string(reading), std::move(*normalized)};
}

}  // namespace

SurfaceTableBuilder::SurfaceTableBuilder(EntryLimits limits) : limits_(limits) {}

void SurfaceTableBuilder::reserve(std::uint64_t entries, std::uint64_t text_bytes) {
  table_.reserve(std::min(entries, limits_.entry_count), text_bytes);
  if (keys_ != nullptr) {
    keys_->reserve(std::min(entries, limits_.entry_count));
    advise_huge_pages(keys_->data(), keys_->capacity() * sizeof(SurfaceOrderKey));
  }
}

std::optional<std::uint64_t> SurfaceTableBuilder::find_duplicate_reading(
    std::span<const std::string_view> readings) {
  if (readings.size() <= kPairwiseReadings) {
    for (std::size_t r = 1; r < readings.size(); ++r) {
      for (std::size_t earlier = 0; earlier < r; ++earlier) {
        if (readings[earlier] == readings[r]) return r;
      }
    }
    return std::nullopt;
  }
  std::size_t capacity = std::bit_ceil(readings.size() * 2);
  seen_readings_.assign(capacity, 0);
  for (std::size_t r = 0; r < readings.size(); ++r) {
    std::size_t i = std::hash<std::string_view>{}(readings[r]) & (capacity - 1);
    for (; seen_readings_[i] != 0; i = (i + 1) & (capacity - 1)) {
      if (readings[seen_readings_[i] - 1] == readings[r]) return r;
    }
    seen_readings_[i] = static_cast<std::uint32_t>(r + 1);
  }
  return std::nullopt;
}

std::optional<EntryProblem> SurfaceTableBuilder::check(std::uint64_t entry_index,
                                                       std::string_view surface,
                                                       std::span<const std::string_view> readings,
                                                       std::uint64_t reading_count,
                                                       std::size_t& readings_before) {
  readings_before = 0;
  if (surface.size() > limits_.surface_bytes) {
    return LimitExceeded{"surface_bytes", surface.size(), limits_.surface_bytes};
  }
  if (reading_count > limits_.reading_count) {
    return LimitExceeded{"reading_count", reading_count, limits_.reading_count};
  }
  if (surface.empty()) return EmptySurface{entry_index};
  if (readings.empty()) return EmptyReadings{std::string(surface)};
  // The first duplicate, by position; it is the reported problem only if no
  // reading before it fails a check of its own.
  std::optional<std::uint64_t> duplicate = find_duplicate_reading(readings);
  for (std::uint64_t r = 0; r < readings.size(); ++r) {
    std::string_view reading = readings[r];
    readings_before = r;
    if (reading.size() > limits_.reading_bytes) {
      return LimitExceeded{"reading_bytes", reading.size(), limits_.reading_bytes};
    }
    if (reading.empty()) return EmptyReading{std::string(surface), r};
    if (duplicate == r) {
      readings_before = r + 1;
      return DuplicateReading{std::string(surface), std::string(reading)};
    }
  }
  readings_before = readings.size();
  return std::nullopt;
}

void SurfaceTableBuilder::add(std::string_view surface, std::span<const std::string_view> readings,
                              std::uint64_t reading_count) {
  std::uint64_t entry_index = entries_++;
  if (problem_ || entries_ > limits_.entry_count) {
    // The outcome is decided; the entries kept so far are still needed for
    // their normal-form check, unless the count alone decides.
    if (entries_ > limits_.entry_count) table_.release();
    return;
  }
  std::size_t readings_before = 0;
  std::optional<EntryProblem> problem =
      check(entry_index, surface, readings, reading_count, readings_before);
  if (!problem) {
    // A repeated surface is found when the table is indexed, in finish().
    if (keys_ != nullptr) keys_->push_back({surface_order_prefix(surface), table_.arena_.size()});
    table_.append(surface, readings);
    return;
  }
  problem_ = std::move(problem);
  failed_entry_.surface.assign(surface);
  failed_entry_.readings_before_problem.assign(readings.begin(),
                                               readings.begin() + readings_before);
}

Result<SurfaceTable, EntryProblem> SurfaceTableBuilder::finish(
    const ReadingNormalizer& normalizer) && {
  if (entries_ > limits_.entry_count) {
    return Fail(LimitExceeded{"entry_count", entries_, limits_.entry_count});
  }
  // Only entries before the first problem were kept, so a repeated surface
  // among them comes first. Its entry passed its own checks: all its
  // readings precede the problem.
  if (std::optional<std::uint64_t> repeated = table_.index()) {
    std::vector<std::string_view> readings;
    table_.readings_at(*repeated, readings);
    failed_entry_.surface.assign(table_.surface_at(*repeated));
    failed_entry_.readings_before_problem.assign(readings.begin(), readings.end());
    problem_ = DuplicateSurface{failed_entry_.surface};
    table_.truncate(*repeated);
  }
  if (normalizer) {
    std::optional<EntryProblem> problem;
    table_.for_each_in_insertion_order(
        [&](std::string_view surface, const std::vector<std::string_view>& readings) {
          for (std::string_view reading : readings) {
            if (!problem) problem = check_normal_form(surface, reading, normalizer);
          }
        });
    for (const std::string& reading : failed_entry_.readings_before_problem) {
      if (!problem) problem = check_normal_form(failed_entry_.surface, reading, normalizer);
    }
    if (problem) return Fail(std::move(*problem));
  }
  if (problem_) return Fail(std::move(*problem_));
  return std::move(table_);
}

}  // namespace lumra::payload
