// libedit's functions, loaded from libedit.so.2 the first time a person at a
// terminal needs them: a run over pipes or files neither loads nor starts the
// library, and pays nothing for it at start-up.
#pragma once

#include <histedit.h>

namespace tbcalc::dialogue {

struct LibEdit {
  decltype(&::el_init) el_init;
  decltype(&::el_end) el_end;
  decltype(&::el_set) el_set;
  decltype(&::el_get) el_get;
  decltype(&::el_gets) el_gets;
  decltype(&::el_line) el_line;
  decltype(&::el_cursor) el_cursor;
  decltype(&::el_deletestr) el_deletestr;
  decltype(&::history_init) history_init;
  decltype(&::history_end) history_end;
  decltype(&::history) history;
};

// The library, loaded once; nullptr when it cannot be (libedit2 missing).
const LibEdit* libedit();

}  // namespace tbcalc::dialogue
