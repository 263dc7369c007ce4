# Precompiled headers: the standard library, Qt and GoogleTest are parsed once per kind of
# target instead of once per source file. Each kind has one target that builds the header
# (the first one named), and every other target of that kind reuses it, so the kinds group
# targets whose compile flags match: a library linking Qt is position-independent (-fPIC) and a
# program is not, so they cannot share one.
#
# Off by default when a compiler launcher is set: ccache cannot cache a source compiled with a
# precompiled header, and a build without them is the one that notices a missing #include.
if(CMAKE_CXX_COMPILER_LAUNCHER)
  set(korvane_pch_default OFF)
else()
  set(korvane_pch_default ON)
endif()
option(KORVANE_PCH "Precompile the headers of the standard library, Qt and GoogleTest" ${korvane_pch_default})

# GCC before 13 drops the headers' own "#pragma GCC diagnostic" from a precompiled header, so the
# warnings libstdc++ silences in its string copies fire in our code, falsely. A build without
# precompiled headers (scripts/test's sanitizer build, every build through ccache) keeps them.
set(korvane_pch_quiet "")
if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND CMAKE_CXX_COMPILER_VERSION VERSION_LESS 13)
  set(korvane_pch_quiet -Wno-array-bounds -Wno-stringop-overflow -Wno-stringop-overread)
endif()

set(korvane_pch_core
  <algorithm> <array> <chrono> <cstddef> <cstdint> <cstdio> <cstdlib> <cstring> <filesystem>
  <fstream> <functional> <map> <memory> <optional> <set> <sstream> <stdexcept> <string>
  <string_view> <utility> <vector>)
set(korvane_pch_qt ${korvane_pch_core}
  <QApplication> <QComboBox> <QFrame> <QGridLayout> <QHBoxLayout> <QLabel> <QLineEdit>
  <QListWidget> <QMouseEvent> <QPushButton> <QString> <QStringList> <QTabWidget> <QVBoxLayout>
  <QWidget>)
set(korvane_pch_gtest ${korvane_pch_core} <gtest/gtest.h>)
set(korvane_pch_qttest ${korvane_pch_qt} <QtTest>)

# korvane_precompile(<headers> <group> <target>...): <headers> is core, qt, gtest or qttest;
# the targets of one group share one build of them, made by the group's first target.
function(korvane_precompile headers group)
  if(NOT KORVANE_PCH)
    return()
  endif()
  foreach(target ${ARGN})
    target_compile_options(${target} PRIVATE ${korvane_pch_quiet})
    get_property(donor GLOBAL PROPERTY korvane_pch_${group})
    if(donor)
      target_precompile_headers(${target} REUSE_FROM ${donor})
    else()
      target_precompile_headers(${target} PRIVATE ${korvane_pch_${headers}})
      set_property(GLOBAL PROPERTY korvane_pch_${group} ${target})
    endif()
  endforeach()
endfunction()
