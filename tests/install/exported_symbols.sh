#!/usr/bin/env bash
# Prints what a build of libOrvelK7Controls exports as the library's ABI, one demangled name a line,
# sorted: the project's own definitions (k7::...) and the vtables, type information and thunks of
# its exported classes.
#
# Left out, because they are not the library's promise and come and go with the compiler and the
# optimisation level: weak definitions (inline functions, template instances, inline variables,
# which every application compiles for itself), instances of std:: templates, the closure types of
# lambdas, and the type information of function types (clang's -fsanitize=function emits it).
#
# usage: exported_symbols.sh LIBRARY
set -euo pipefail
nm -D --defined-only -C "$1" |
  awk '$2 ~ /^[TDBR]$/ || /(vtable|VTT|typeinfo|typeinfo name) for k7::/ {
         $1 = ""; $2 = ""; sub(/^  /, ""); print
       }' |
  grep -E '^((vtable|VTT|typeinfo|typeinfo name) for |(non-)?virtual thunk to )?k7::' |
  grep -v '{lambda' |
  grep -Ev '^typeinfo (name )?for .*\(' |
  LC_ALL=C sort -u
