# ---- speech codec between our peers: Opus 1.3.1 (codec 2) ----
# Natively the system's libopus (Debian libopus-dev). For Windows (or without
# it) the same sources from Debian's source package, kept in third_party/opus
# (see its README.kestrovox), built static as kv_opus without our warning
# flags: -Werror is for our code, not theirs. Floating point, portable C only
# (no SIMD variants, no run-time CPU detection). Everyone links kv_opus and
# includes <opus.h>.
if(NOT WIN32)
  find_path(KV_OPUS_INCLUDE opus.h PATH_SUFFIXES opus)
  find_library(KV_OPUS_LIBRARY opus)
endif()
if(NOT WIN32 AND KV_OPUS_INCLUDE AND KV_OPUS_LIBRARY)
  add_library(kv_opus INTERFACE)
  target_include_directories(kv_opus SYSTEM INTERFACE ${KV_OPUS_INCLUDE})
  target_link_libraries(kv_opus INTERFACE ${KV_OPUS_LIBRARY})
else()
  set(KV_OPUS_DIR ${CMAKE_CURRENT_SOURCE_DIR}/third_party/opus)
  file(GLOB KV_OPUS_SOURCES ${KV_OPUS_DIR}/celt/*.c ${KV_OPUS_DIR}/silk/*.c ${KV_OPUS_DIR}/silk/float/*.c
    ${KV_OPUS_DIR}/src/*.c)
  add_library(kv_opus STATIC ${KV_OPUS_SOURCES})
  target_include_directories(kv_opus SYSTEM PUBLIC ${KV_OPUS_DIR}/include)
  target_include_directories(kv_opus PRIVATE ${KV_OPUS_DIR} ${KV_OPUS_DIR}/celt ${KV_OPUS_DIR}/silk
    ${KV_OPUS_DIR}/silk/float)
  target_compile_definitions(kv_opus PRIVATE OPUS_BUILD VAR_ARRAYS HAVE_LRINT HAVE_LRINTF)
  if(NOT MSVC)
    target_link_libraries(kv_opus PRIVATE m)
  endif()
endif()
