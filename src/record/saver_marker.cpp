#include "record/shared_mapping.h"

void MarkSaverAttached(SharedStatus& record, std::int32_t priorityClass) {
    MarkSaverAttachedThrough(record, priorityClass, &WriteFlag);
}

void MarkSaverDetached(SharedStatus& record) { WriteFlag(record.saver_attached, 0); }
