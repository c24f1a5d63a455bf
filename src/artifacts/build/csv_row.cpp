#include "artifacts/build/csv_row.h"

namespace lumra::artifacts::build {

Status<CsvRowError> split_csv_row(std::string_view line, std::vector<std::string>& fields) {
  std::size_t count = 0;
  auto next_field = [&]() -> std::string& {
    if (count == fields.size()) fields.emplace_back();
    std::string& field = fields[count++];
    field.clear();
    return field;
  };
  std::size_t at = 0;
  while (true) {
    std::string& field = next_field();
    if (at < line.size() && line[at] == '"') {
      ++at;
      while (true) {
        std::size_t quote = line.find('"', at);
        if (quote == std::string_view::npos) {
          fields.resize(count);
          return Fail(CsvRowError{"unterminated quoted field " + std::to_string(count)});
        }
        field.append(line.substr(at, quote - at));
        at = quote + 1;
        if (at < line.size() && line[at] == '"') {  // an escaped quote
          field.push_back('"');
          ++at;
          continue;
        }
        break;
      }
      if (at < line.size() && line[at] != ',') {
        fields.resize(count);
        return Fail(CsvRowError{"text after the closing quote of field " + std::to_string(count)});
      }
    } else {
      std::size_t comma = line.find(',', at);
      std::size_t end = comma == std::string_view::npos ? line.size() : comma;
      field.append(line.substr(at, end - at));
      at = end;
    }
    if (at >= line.size()) break;
    ++at;  // the comma
  }
  fields.resize(count);
  return Unit{};
}

}  // namespace lumra::artifacts::build
