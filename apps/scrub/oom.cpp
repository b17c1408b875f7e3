#include "oom.h"

#include "platform/console.h"
#include "ui/screen.h"
#include "ui/settings.h"

void scrub_out_of_memory(TableKind kind) {
  Console* con = console();
  con->set_attr(screen_attribute());
  con_print("\r\n");
  con_print("VELKSCRB has run out of memory while trying to sort ");
  con_print(kind == TableKind::workorders ? "workorders!\r\n\r\n" : "purchase orders!\r\n\r\n");
  con->set_attr(static_cast<uint8_t>((g_settings.color_background & 7) << 4 | (g_settings.color_special & 0x8f)));
  con_print("VELK cleanup and conversion is NOT complete!!!!!!\r\n\r\n");
  con->set_attr(screen_attribute());
  con_print("You could try to increase the size of your swapfile...\r\n");
  beep_plain();
  fatal_exit();
}
