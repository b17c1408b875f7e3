#include "pass_files.h"

#include "db/catalog.h"
#include "db/replace.h"
#include "platform/env.h"
#include "run_marker.h"
#include "ui/screen.h"

File* pass_open(PassFiles* files, const std::string& name, const LockDescriptor& lock,
                bool retried) {
  File* f = db_open(name, true);
  files->held.push_back({f, lock, false});
  PassFiles::Held& h = files->held.back();
  f->seek(0);
  if (retried) {
    db_lock_retry(f, &h.lock);
    h.locked = true;
  } else {
    // A wait the user gave up leaves the file unlocked; it is still held
    // for exclusive use.
    h.locked = db_lock(f, 2, &h.lock) == 0;
  }
  return f;
}

File* pass_open_new(PassFiles* files, const std::string& name, const LockDescriptor* lock) {
  File* f = replace_open_new(name);
  files->held.push_back({f, lock ? *lock : LockDescriptor{}, false});
  if (lock) {
    PassFiles::Held& h = files->held.back();
    f->seek(0);
    h.locked = db_lock(f, 2, &h.lock) == 0;
  }
  return f;
}

void pass_close(PassFiles* files) {
  for (auto it = files->held.rbegin(); it != files->held.rend(); ++it) {
    if (it->locked) db_unlock(it->file, &it->lock);
    db_close(it->file);
  }
  files->held.clear();
}

bool pass_swap(PruneRun* run, const std::string& pass, const std::vector<std::string>& names,
               bool record) {
  std::vector<std::string> group = names;
  if (record) {
    RunMarker next = run->marker;
    marker_add(&next, pass, names);
    if (!marker_write_new(next)) return false;
    group.push_back(kRunMarkerFile);
    if (!replace_swap_group(group)) {
      env()->remove(data_path(replacement_name(kRunMarkerFile)));
      return false;
    }
    run->marker = next;
    return true;
  }
  return replace_swap_group(group);
}

PassEnd pass_fail(PruneRun* run, PassFiles* files, const std::vector<std::string>& names,
                  const std::string& message, bool shown) {
  if (!shown) {
    beep_warning();
    alert_line(message.c_str());
  }
  pass_close(files);
  replace_discard(names);
  env()->remove(data_path(replacement_name(kRunMarkerFile)));
  run->failure = message;
  return PassEnd::stopped;
}
