# One place for the language level, warnings and sanitizer flags that every target shares.
set(CMAKE_CXX_STANDARD 20)
set(CMAKE_CXX_STANDARD_REQUIRED ON)
set(CMAKE_CXX_EXTENSIONS OFF)
set(CMAKE_EXPORT_COMPILE_COMMANDS ON)

# Every program of the project lands in one folder, so the window, the headless front end,
# the demo engine and the region catalogue sit side by side as they do when installed.
set(CMAKE_RUNTIME_OUTPUT_DIRECTORY "${CMAKE_BINARY_DIR}/bin")

set(KORVATH_SANITIZE "" CACHE STRING "Sanitizers to build with: empty, address, thread or fuzzer")

add_library(korvath_config INTERFACE)
target_compile_options(korvath_config INTERFACE -Wall -Wextra)
target_compile_definitions(korvath_config INTERFACE
  QT_NO_FOREACH
  QT_DISABLE_DEPRECATED_BEFORE=0x060000
  BOOST_ASIO_NO_DEPRECATED)

if(WIN32)
  # Windows 10 and later; Asio's sockets need the system's socket libraries, and a source with
  # Beast's many templates passes the object format's default section count.
  target_compile_definitions(korvath_config INTERFACE _WIN32_WINNT=0x0A00 NOMINMAX)
  target_compile_options(korvath_config INTERFACE -Wa,-mbig-obj)
  target_link_libraries(korvath_config INTERFACE ws2_32 mswsock)
endif()

if(KORVATH_SANITIZE STREQUAL "address")
  target_compile_options(korvath_config INTERFACE
    -fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  target_link_options(korvath_config INTERFACE -fsanitize=address,undefined)
elseif(KORVATH_SANITIZE STREQUAL "thread")
  # -Wno-tsan: libstdc++'s own headers use atomic_thread_fence, which the sanitizer cannot model.
  target_compile_options(korvath_config INTERFACE -fsanitize=thread -fno-omit-frame-pointer -Wno-tsan)
  target_link_options(korvath_config INTERFACE -fsanitize=thread)
elseif(KORVATH_SANITIZE STREQUAL "fuzzer")
  # Libraries get coverage instrumentation; the fuzz targets add the libFuzzer driver themselves.
  target_compile_options(korvath_config INTERFACE
    -fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer)
  target_link_options(korvath_config INTERFACE -fsanitize=address,undefined)
elseif(NOT KORVATH_SANITIZE STREQUAL "")
  message(FATAL_ERROR "Unknown KORVATH_SANITIZE value: ${KORVATH_SANITIZE}")
endif()

# korvath_add_library(NAME SOURCES... LINKS...) — one library target per folder under src/.
function(korvath_add_library name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LINKS" ${ARGN})
  add_library(${name} STATIC ${ARG_SOURCES})
  target_include_directories(${name} PUBLIC "${PROJECT_SOURCE_DIR}/src")
  target_link_libraries(${name} PUBLIC korvath_config ${ARG_LINKS})
endfunction()
