# Fails when a source includes a subsystem that its own subsystem does not
# depend on. The allowed dependencies, lowest layer first:
#   core      -> core
#   payload   -> core (the YAML schema layer, payload files, surface tables)
#   ja, zh    -> core, payload, and zh may use ja's shared reading options
#   artifacts -> core, payload, ja, zh
#   python    -> everything
set(allowed_core "core")
set(allowed_payload "core|payload")
set(allowed_ja "core|payload|ja")
set(allowed_zh "core|payload|ja|zh")
set(allowed_artifacts "core|payload|ja|zh|artifacts")
set(failures "")
foreach(subsystem core payload ja zh artifacts)
  file(GLOB_RECURSE sources "${SOURCE_DIR}/src/${subsystem}/*.h" "${SOURCE_DIR}/src/${subsystem}/*.cpp")
  foreach(source ${sources})
    file(STRINGS "${source}" includes REGEX "^#include \"[a-z_]+/")
    foreach(line ${includes})
      string(REGEX MATCH "\"([a-z_]+)/" _ "${line}")
      set(target "${CMAKE_MATCH_1}")
      if(NOT target MATCHES "^(${allowed_${subsystem}})$")
        list(APPEND failures "${source}: ${line}")
      endif()
    endforeach()
  endforeach()
endforeach()
if(failures)
  list(JOIN failures "\n" text)
  message(FATAL_ERROR "includes across subsystem boundaries:\n${text}")
endif()
