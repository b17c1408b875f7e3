#include "docs/doc_tags.h"

#include <cstring>

#include "db/customer.h"
#include "db/record_io.h"

void make_workorder_tag(const Workorder& wo, int32_t offset, WorkorderTag* tag) {
  std::memset(tag, 0, sizeof *tag);
  tag->number = static_cast<int32_t>(wo.WorkorderNumber);
  make_name_key(wo.customer.Lastname, sizeof wo.customer.Lastname, wo.customer.Firstname,
                sizeof wo.customer.Firstname, tag->name_key);
  tag->customer_number = static_cast<int32_t>(wo.customer.CustomerNumber);
  field_copy(tag->VIN, sizeof tag->VIN, wo.vehicle.VIN, sizeof wo.vehicle.VIN);
  field_copy(tag->LicenseNumber, sizeof tag->LicenseNumber, wo.vehicle.LicenseNumber,
             sizeof wo.vehicle.LicenseNumber);
  tag->status = static_cast<uint8_t>(wo.Status);
  tag->type = static_cast<uint8_t>(wo.Type);
  tag->has_tax_id = wo.customer.TaxIDNumber[0] != 0 ? 1 : 0;
  wo_block_encode(wo.totals, tag->totals);
  tag->invoice_offset = offset;
}

void make_purchase_order_tag(const PurchaseOrder& po, int32_t offset, PurchaseOrderTag* tag) {
  std::memset(tag, 0, sizeof *tag);
  tag->number = static_cast<int32_t>(po.PONumber);
  field_copy(tag->vendor, sizeof tag->vendor, po.vendor.Vendor, sizeof po.vendor.Vendor);
  field_copy(tag->VendorInvoiceNumber, sizeof tag->VendorInvoiceNumber, po.VendorInvoiceNumber,
             sizeof po.VendorInvoiceNumber);
  tag->status = po.Status;
  po_block_encode(po.totals, tag->totals);
  tag->order_offset = offset;
}
