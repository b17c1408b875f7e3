// Inventory: the items "VKINVENT.DAT" and their index "VKINVTAG.DAT". The
// items are made first (workorders and purchase orders use them); the files
// are written once the usage and receiving chains are complete.
#include <cstdio>
#include <cstring>
#include <string>

#include "gen.h"
#include "messy.h"
#include "words.h"
#include "xms/store.h"
#include "xms/table.h"

namespace {

int32_t marked_up(int32_t cost, int32_t markup) {
  // Markups are ten-thousandths of a per cent.
  return static_cast<int32_t>(cost + static_cast<int64_t>(cost) * markup / 1000000);
}

}  // namespace

void gen_inventory_items(Gen& g) {
  Rng r(g.opt.seed * 0xD6E8FEB86659FD93ull + 5);
  int64_t n = g.size.inventory;
  g.items.resize(static_cast<size_t>(n));
  for (int64_t i = 0; i < n; i++) {
    InventoryRecord& rec = g.items[static_cast<size_t>(i)].rec;
    inventory_init(&rec);
    const PartFamily& f = kPartFamilies[r.below(static_cast<uint32_t>(kPartFamilyCount))];
    char stock[32];
    // Every item has its own number, so no two keys are equal.
    if (g.mess.ddd_stock_number && r.chance(g.mess.ddd_stock_number)) {
      // The ddd-ddd numbers some suppliers use; they sort by their second half.
      std::snprintf(stock, sizeof stock, "%03d-%03d", static_cast<int>(100 + (i / 1000) % 900),
                    static_cast<int>(i % 1000));
      g.stats.messy++;
    } else if (g.mess.core_stock_number && r.chance(g.mess.core_stock_number)) {
      // A core charge, kept apart from the part it comes with.
      std::snprintf(stock, sizeof stock, "%s%lld/C", f.prefix, static_cast<long long>(10000 + i));
      g.stats.messy++;
    } else {
      std::snprintf(stock, sizeof stock, "%s%lld", f.prefix, static_cast<long long>(10000 + i));
    }
    set_text(rec.stock_number, stock);
    std::string description = std::string(f.description) + kPartBrands.items[r.below(static_cast<uint32_t>(kPartBrands.count))];
    if (g.mess.high_bytes && r.chance(g.mess.high_bytes)) {
      description = mess_high_bytes(description, r);
      g.stats.messy++;
    }
    set_text(rec.description, description);
    int32_t cost = f.cost * r.range(80, 130) / 100;
    if (cost < 50) cost = 50;
    rec.amounts[0] = cost;
    rec.amounts[1] = marked_up(cost, rec.markups[0]);
    rec.amounts[2] = marked_up(cost, rec.markups[1]);
    rec.amounts[3] = marked_up(cost, rec.markups[2]);
    if (r.chance(600)) set_text(rec.stocking_text, "STOCKED");
    rec.index_count = static_cast<int16_t>(r.below(25));
    if (g.mess.deleted_item && r.chance(g.mess.deleted_item)) {
      rec.deleted = 1;  // deleted after years of use: its chains stay behind
      g.stats.messy++;
    }
  }
}

void gen_inventory_files(Gen& g) {
  OutFile inv, tags;
  gen_create(g, inv, "VKINVENT.DAT");
  gen_create(g, tags, "VKINVTAG.DAT");

  // The index is built in the store, as every program of the shop builds it,
  // so that its order is exactly theirs.
  uint64_t kb = (static_cast<uint64_t>(g.items.size()) + 10) * kTableStockEntry / 1024 + 1100;
  if (kb == kXmsAll) kb++;
  XmsBlock* store = XMS_alloc(static_cast<uint32_t>(kb));
  int count = 0;
  uint8_t rec_buf[kInventoryRecordSize];
  uint8_t tag_buf[kInventoryTagSize];
  for (size_t i = 0; i < g.items.size(); i++) {
    const InventoryRecord& rec = g.items[i].rec;
    int32_t offset = static_cast<int32_t>(inv.end());
    inventory_encode(rec, rec_buf);
    inv.append(rec_buf, sizeof rec_buf);
    g.stats.items++;
    if (!inventory_in_use(rec)) continue;
    InventoryTag t;
    inventory_make_tag(rec, offset, &t);
    inventory_tag_encode(t, tag_buf);
    TableInsert outcome;
    count = table_insert_stock(store, tag_buf, count, kTableStockEntry, &outcome);
    if (outcome != TableInsert::added)
      gen_fail(std::string("inventory index refused the stock number ") + rec.stock_number);
  }
  if (!table_save(store, &tags, count, kTableStockEntry))
    gen_fail("cannot write " + tags.path());
  xms_exit_handler();
  gen_finish(inv);
  gen_finish(tags);
}
