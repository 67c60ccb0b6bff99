#include "shared/shared_mapping.h"

void MarkSaverAttached(SharedStatus& record, std::int32_t priorityClass) {
    WriteFlag(record.saver_attached, 1);
    WriteFlag(record.saver_priority_class, priorityClass);
}

void MarkSaverDetached(SharedStatus& record) { WriteFlag(record.saver_attached, 0); }
