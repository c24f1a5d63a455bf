#include "artifacts/build/yaml_writer.h"

#include <yaml.h>

namespace lumra::artifacts::build {

struct YamlWriter::State {
  yaml_emitter_t emitter{};
  std::string out;
  std::string failure;
  bool started = false;

  static int write(void* data, unsigned char* buffer, std::size_t size) {
    static_cast<State*>(data)->out.append(reinterpret_cast<const char*>(buffer), size);
    return 1;
  }

  // Hands `event` to the emitter, which frees it either way.
  void emit(yaml_event_t& event, bool initialized) {
    if (!initialized) {
      if (failure.empty()) failure = "out of memory";
      return;
    }
    if (!failure.empty()) {
      yaml_event_delete(&event);
      return;
    }
    if (!yaml_emitter_emit(&emitter, &event)) {
      failure = emitter.problem != nullptr ? emitter.problem : "the YAML emitter failed";
    }
  }

  void start() {
    if (started) return;
    started = true;
    yaml_event_t event;
    emit(event, yaml_stream_start_event_initialize(&event, YAML_UTF8_ENCODING));
    emit(event, yaml_document_start_event_initialize(&event, nullptr, nullptr, nullptr, 1));
  }
};

YamlWriter::YamlWriter() : state_(std::make_unique<State>()) {
  if (!yaml_emitter_initialize(&state_->emitter)) {
    state_->failure = "out of memory";
    return;
  }
  yaml_emitter_set_output(&state_->emitter, &State::write, state_.get());
  yaml_emitter_set_unicode(&state_->emitter, 1);
  yaml_emitter_set_width(&state_->emitter, -1);  // never fold long texts
}

YamlWriter::~YamlWriter() { yaml_emitter_delete(&state_->emitter); }

void YamlWriter::begin_mapping() {
  state_->start();
  yaml_event_t event;
  state_->emit(event, yaml_mapping_start_event_initialize(&event, nullptr, nullptr, 1,
                                                          YAML_BLOCK_MAPPING_STYLE));
}

void YamlWriter::end_mapping() {
  yaml_event_t event;
  state_->emit(event, yaml_mapping_end_event_initialize(&event));
}

void YamlWriter::begin_sequence() {
  state_->start();
  yaml_event_t event;
  state_->emit(event, yaml_sequence_start_event_initialize(&event, nullptr, nullptr, 1,
                                                           YAML_BLOCK_SEQUENCE_STYLE));
}

void YamlWriter::end_sequence() {
  yaml_event_t event;
  state_->emit(event, yaml_sequence_end_event_initialize(&event));
}

void YamlWriter::scalar(std::string_view value, bool quoted) {
  state_->start();
  yaml_event_t event;
  auto* bytes = reinterpret_cast<const yaml_char_t*>(value.data());
  state_->emit(event, yaml_scalar_event_initialize(
                          &event, nullptr, nullptr, const_cast<yaml_char_t*>(bytes),
                          static_cast<int>(value.size()), quoted ? 0 : 1, 1,
                          quoted ? YAML_DOUBLE_QUOTED_SCALAR_STYLE : YAML_PLAIN_SCALAR_STYLE));
}

void YamlWriter::key(std::string_view name) { scalar(name, false); }
void YamlWriter::text(std::string_view value) { scalar(value, true); }
void YamlWriter::number(std::uint64_t value) { scalar(std::to_string(value), false); }
void YamlWriter::boolean(bool value) { scalar(value ? "true" : "false", false); }

Result<std::string, std::string> YamlWriter::finish() {
  state_->start();
  yaml_event_t event;
  state_->emit(event, yaml_document_end_event_initialize(&event, 1));
  state_->emit(event, yaml_stream_end_event_initialize(&event));
  if (!state_->failure.empty()) return Fail(state_->failure);
  if (!yaml_emitter_flush(&state_->emitter)) return Fail(std::string("the YAML emitter failed"));
  return std::move(state_->out);
}

}  // namespace lumra::artifacts::build
