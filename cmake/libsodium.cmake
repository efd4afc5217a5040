# ---- cryptography: libsodium 1.0.18 (X25519, ChaCha20-Poly1305, BLAKE2b, random bytes) ----
# Natively the system's libsodium (Debian libsodium-dev). For Windows (or
# without it) the same sources from Debian's source package, kept in
# third_party/libsodium (see its README.kestrovox), built static as kv_sodium
# without our warning flags: -Werror is for our code, not theirs. Only the
# portable C implementations are built: no assembler and none of the SSE/AVX
# variants (their selection at run time needs cpuid, which is inline assembler
# outside MSVC); 128-bit arithmetic where the compiler has it.
# Everyone links kv_sodium and includes <sodium.h>.
if(NOT WIN32)
  find_path(KV_SODIUM_INCLUDE sodium.h)
  find_library(KV_SODIUM_LIBRARY sodium)
endif()
if(NOT WIN32 AND KV_SODIUM_INCLUDE AND KV_SODIUM_LIBRARY)
  add_library(kv_sodium INTERFACE)
  target_include_directories(kv_sodium SYSTEM INTERFACE ${KV_SODIUM_INCLUDE})
  target_link_libraries(kv_sodium INTERFACE ${KV_SODIUM_LIBRARY})
else()
  include(CheckCSourceCompiles)
  include(CheckIncludeFile)
  include(CheckSymbolExists)
  set(KV_SODIUM_TOP ${CMAKE_CURRENT_SOURCE_DIR}/third_party/libsodium)
  set(KV_SODIUM_DIR ${KV_SODIUM_TOP}/src/libsodium)
  set(KV_SODIUM_BINARY_DIR ${CMAKE_CURRENT_BINARY_DIR}/libsodium)

  # include/sodium/version.h, with the version numbers of the sources' configure.ac.
  file(STRINGS ${KV_SODIUM_TOP}/configure.ac KV_SODIUM_AC_INIT REGEX "^AC_INIT\\(")
  string(REGEX REPLACE "^AC_INIT\\(\\[libsodium\\],\\[([0-9.]+)\\].*" "\\1" VERSION "${KV_SODIUM_AC_INIT}")
  foreach(part MAJOR MINOR)
    file(STRINGS ${KV_SODIUM_TOP}/configure.ac KV_SODIUM_LINE REGEX "^SODIUM_LIBRARY_VERSION_${part}=")
    string(REGEX REPLACE "^[^=]*=([0-9]+).*" "\\1" SODIUM_LIBRARY_VERSION_${part} "${KV_SODIUM_LINE}")
  endforeach()
  if(NOT VERSION MATCHES "^[0-9]+\\.[0-9]+\\.[0-9]+$"
     OR NOT SODIUM_LIBRARY_VERSION_MAJOR MATCHES "^[0-9]+$"
     OR NOT SODIUM_LIBRARY_VERSION_MINOR MATCHES "^[0-9]+$")
    message(FATAL_ERROR "libsodium: no version in ${KV_SODIUM_TOP}/configure.ac")
  endif()
  set(SODIUM_LIBRARY_MINIMAL_DEF "")
  configure_file(${KV_SODIUM_DIR}/include/sodium/version.h.in
    ${KV_SODIUM_BINARY_DIR}/include/sodium/version.h @ONLY)
  unset(VERSION)
  # The public headers beside it, as installed: version.h includes "export.h"
  # from its own folder, and users see no private header.
  file(GLOB KV_SODIUM_HEADERS RELATIVE ${KV_SODIUM_DIR}/include
    ${KV_SODIUM_DIR}/include/sodium.h ${KV_SODIUM_DIR}/include/sodium/*.h)
  foreach(header ${KV_SODIUM_HEADERS})
    configure_file(${KV_SODIUM_DIR}/include/${header} ${KV_SODIUM_BINARY_DIR}/include/${header} COPYONLY)
  endforeach()

  # What libsodium's configure would find, for the parts the portable build uses.
  set(KV_SODIUM_DEFINITIONS CONFIGURED=1)
  if(CMAKE_C_BYTE_ORDER STREQUAL "BIG_ENDIAN")
    list(APPEND KV_SODIUM_DEFINITIONS NATIVE_BIG_ENDIAN=1)
  elseif(CMAKE_C_BYTE_ORDER STREQUAL "LITTLE_ENDIAN")
    list(APPEND KV_SODIUM_DEFINITIONS NATIVE_LITTLE_ENDIAN=1)
  endif()
  set(CMAKE_REQUIRED_DEFINITIONS "")
  if(CMAKE_C_BYTE_ORDER STREQUAL "LITTLE_ENDIAN")
    set(CMAKE_REQUIRED_DEFINITIONS -DNATIVE_LITTLE_ENDIAN=1)
  endif()
  # configure.ac's test for 128-bit arithmetic (the 51-bit field of X25519).
  check_c_source_compiles("
#if !defined(__clang__) && !defined(__GNUC__) && !defined(__SIZEOF_INT128__)
# error mode(TI) is a gcc extension, and __int128 is not available
#endif
#if defined(__clang__) && !defined(__x86_64__) && !defined(__aarch64__)
# error clang does not properly handle the 128-bit type on 32-bit systems
#endif
#ifndef NATIVE_LITTLE_ENDIAN
# error libsodium currently expects a little endian CPU for the 128-bit type
#endif
#include <stddef.h>
#include <stdint.h>
#if defined(__SIZEOF_INT128__)
typedef unsigned __int128 uint128_t;
#else
typedef unsigned uint128_t __attribute__((mode(TI)));
#endif
void fcontract(uint128_t *t) { *t += 0x8000000000000 - 1; *t *= *t; *t >>= 84; }
int main(void) { (void) fcontract; return 0; }" KV_SODIUM_HAVE_TI_MODE)
  unset(CMAKE_REQUIRED_DEFINITIONS)
  if(KV_SODIUM_HAVE_TI_MODE)
    list(APPEND KV_SODIUM_DEFINITIONS HAVE_TI_MODE=1)
  endif()
  if(MSVC)
    list(APPEND KV_SODIUM_DEFINITIONS HAVE_ALLOCA=1 _CRT_SECURE_NO_WARNINGS)
  else()
    # TLS: what configure's test finds first (MinGW ignores the __declspec(thread) of the sources).
    list(APPEND KV_SODIUM_DEFINITIONS HAVE_C_VARARRAYS=1 TLS=_Thread_local)
  endif()
  if(NOT WIN32)
    # Locks, guarded allocations, getrandom() and a memset the compiler keeps.
    list(APPEND KV_SODIUM_DEFINITIONS HAVE_PTHREAD=1)
    check_include_file(sys/mman.h KV_SODIUM_HAVE_SYS_MMAN_H)
    check_include_file(sys/random.h KV_SODIUM_HAVE_SYS_RANDOM_H)
    if(KV_SODIUM_HAVE_SYS_MMAN_H)
      list(APPEND KV_SODIUM_DEFINITIONS HAVE_SYS_MMAN_H=1)
    endif()
    if(KV_SODIUM_HAVE_SYS_RANDOM_H)
      list(APPEND KV_SODIUM_DEFINITIONS HAVE_SYS_RANDOM_H=1)
      check_symbol_exists(getrandom sys/random.h KV_SODIUM_HAVE_GETRANDOM)
      if(KV_SODIUM_HAVE_GETRANDOM)
        list(APPEND KV_SODIUM_DEFINITIONS HAVE_GETRANDOM=1)
      endif()
    endif()
    foreach(fn mmap mlock madvise mprotect)
      check_symbol_exists(${fn} sys/mman.h KV_SODIUM_HAVE_${fn})
      if(KV_SODIUM_HAVE_${fn})
        string(TOUPPER ${fn} FN)
        list(APPEND KV_SODIUM_DEFINITIONS HAVE_${FN}=1)
      endif()
    endforeach()
    check_symbol_exists(posix_memalign stdlib.h KV_SODIUM_HAVE_POSIX_MEMALIGN)
    if(KV_SODIUM_HAVE_POSIX_MEMALIGN)
      list(APPEND KV_SODIUM_DEFINITIONS HAVE_POSIX_MEMALIGN=1)
    endif()
    set(CMAKE_REQUIRED_DEFINITIONS -D_DEFAULT_SOURCE)
    check_symbol_exists(explicit_bzero string.h KV_SODIUM_HAVE_EXPLICIT_BZERO)
    unset(CMAKE_REQUIRED_DEFINITIONS)
    if(KV_SODIUM_HAVE_EXPLICIT_BZERO)
      list(APPEND KV_SODIUM_DEFINITIONS HAVE_EXPLICIT_BZERO=1)
    endif()
  endif()

  # Every C file: the SSE/AVX and assembler variants are empty without the
  # definitions that would enable them (HAVE_EMMINTRIN_H, HAVE_AMD64_ASM...).
  file(GLOB_RECURSE KV_SODIUM_SOURCES ${KV_SODIUM_DIR}/*.c)
  add_library(kv_sodium STATIC ${KV_SODIUM_SOURCES})
  target_include_directories(kv_sodium SYSTEM PUBLIC ${KV_SODIUM_BINARY_DIR}/include)
  target_include_directories(kv_sodium PRIVATE ${KV_SODIUM_DIR}/include/sodium ${KV_SODIUM_BINARY_DIR}/include/sodium)
  target_compile_definitions(kv_sodium PUBLIC SODIUM_STATIC=1 SODIUM_EXPORT=)
  target_compile_definitions(kv_sodium PRIVATE ${KV_SODIUM_DEFINITIONS})
  if(WIN32)
    # randombytes: RtlGenRandom (SystemFunction036) is in advapi32.
    target_link_libraries(kv_sodium PUBLIC advapi32)
  else()
    target_link_libraries(kv_sodium PUBLIC Threads::Threads)
  endif()
endif()
