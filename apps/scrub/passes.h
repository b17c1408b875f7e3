// The passes of the cleanup program, in the order of a run.
#pragma once

class File;

struct OutBuffer;

// Workorder index rebuild: the invoice pass, the open-document pass, the
// index write and the swap of the open list, index and invoice file (with
// the customer and vehicle files of a vehicle rebuild) as one group.
void rebuild_workorder_index();
// The stored workorders of "VKINVOIC.DAT" into the new invoice file.
void invoice_pass(File* invoices, OutBuffer* new_invoices);
// The open workorder documents: their index tags and the new open list.
void open_document_pass();
// The cleaning pass over the open workorder documents.
void clean_workorder_documents();
// Purchase-order index, purchase-order file and open list.
void rebuild_purchase_order_index();
// Inventory index, receiving log and the receiving chains of the inventory.
void rebuild_receiving();
