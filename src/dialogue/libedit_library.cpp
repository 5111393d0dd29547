#include "libedit_library.hpp"

#include <dlfcn.h>

namespace tbcalc::dialogue {
namespace {

template <class Function>
bool find(void* library, const char* name, Function& function) {
  function = reinterpret_cast<Function>(::dlsym(library, name));
  return function != nullptr;
}

const LibEdit* load() {
  void* library = ::dlopen("libedit.so.2", RTLD_NOW | RTLD_LOCAL);
  if (library == nullptr) return nullptr;
  static LibEdit functions;
  LibEdit& f = functions;
  const bool complete =
      find(library, "el_init", f.el_init) && find(library, "el_end", f.el_end) &&
      find(library, "el_set", f.el_set) && find(library, "el_get", f.el_get) &&
      find(library, "el_gets", f.el_gets) && find(library, "el_line", f.el_line) &&
      find(library, "el_cursor", f.el_cursor) && find(library, "el_deletestr", f.el_deletestr) &&
      find(library, "history_init", f.history_init) &&
      find(library, "history_end", f.history_end) && find(library, "history", f.history);
  return complete ? &functions : nullptr;
}

}  // namespace

const LibEdit* libedit() {
  static const LibEdit* const loaded = load();
  return loaded;
}

}  // namespace tbcalc::dialogue
