# SPDX-License-Identifier: GPL-3.0-or-later
# SPDX-FileCopyrightText: 2026 The Twinscan developers
# One interface target carries the settings every target of the project shares.
set(CMAKE_CXX_STANDARD 20)
set(CMAKE_CXX_STANDARD_REQUIRED ON)
set(CMAKE_CXX_EXTENSIONS OFF)
set(CMAKE_EXPORT_COMPILE_COMMANDS ON)

add_library(twinscan_common INTERFACE)
target_compile_options(twinscan_common INTERFACE -Wall -Wextra -Wpedantic)
if(TWINSCAN_WERROR)
  target_compile_options(twinscan_common INTERFACE -Werror)
endif()
# GCC 12 at -O3 reports std::string concatenations as overlapping copies
# (GCC bug 105329); keep the warning but never let it fail a build.
if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND CMAKE_CXX_COMPILER_VERSION VERSION_LESS 13)
  target_compile_options(twinscan_common INTERFACE -Wno-error=restrict)
endif()
target_include_directories(twinscan_common INTERFACE ${PROJECT_SOURCE_DIR})
target_compile_definitions(twinscan_common INTERFACE
  QT_NO_CAST_FROM_ASCII QT_NO_CONTEXTLESS_CONNECT QT_NO_KEYWORDS)

if(TWINSCAN_SANITIZE STREQUAL "address")
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
elseif(TWINSCAN_SANITIZE STREQUAL "thread")
  add_compile_options(-fsanitize=thread -fno-omit-frame-pointer)
  add_link_options(-fsanitize=thread)
elseif(NOT TWINSCAN_SANITIZE STREQUAL "")
  message(FATAL_ERROR "Unknown TWINSCAN_SANITIZE value: ${TWINSCAN_SANITIZE}")
endif()

# Fuzz targets: every library gets libFuzzer's coverage hooks and ASan + UBSan;
# only fuzz/ links the fuzzer's runtime and main.
if(TWINSCAN_FUZZ)
  if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
    message(FATAL_ERROR "TWINSCAN_FUZZ needs clang (-DCMAKE_CXX_COMPILER=clang++)")
  endif()
  if(NOT TWINSCAN_SANITIZE STREQUAL "")
    message(FATAL_ERROR "TWINSCAN_FUZZ brings its own sanitizers; leave TWINSCAN_SANITIZE empty")
  endif()
  add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer
                      -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
endif()

find_package(Threads REQUIRED)
