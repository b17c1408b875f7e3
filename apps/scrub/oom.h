// The out-of-memory abort: a sorted table in the store is full.
#pragma once

enum class TableKind { workorders, purchase_orders };

[[noreturn]] void scrub_out_of_memory(TableKind kind);
