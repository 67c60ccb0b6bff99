// What draws each of the record's items on the status screen: a list indexed by RecordItem,
// which the build holds to the item table, so that an item without its drawing, or drawn by
// another's, does not compile.
#pragma once

#include "record/record_items.h"
#include "screen/status_display.h"

struct ItemDrawing {
    RecordItem item;
    void (StatusDisplay::*show)(const SharedStatus&);  // none for the frame: the graph is drawn with its rows
};

inline constexpr ItemDrawing kItemDrawing[] = {
    {RecordItem::StatusTextB, &StatusDisplay::ShowStatusTextB},
    {RecordItem::StatusTextA, &StatusDisplay::ShowStatusTextA},
    {RecordItem::UserInfo, &StatusDisplay::ShowUserInfo},
    {RecordItem::DataInfo, &StatusDisplay::ShowDataInfo},
    {RecordItem::CpuTime, &StatusDisplay::ShowCpuTime},
    {RecordItem::Progress, &StatusDisplay::ShowProgress},
    {RecordItem::StepFraction, &StatusDisplay::ShowStepProgress},
    {RecordItem::SearchParams, &StatusDisplay::ShowSearchParams},
    {RecordItem::CurrentPeak, &StatusDisplay::ShowCurrentPeak},
    {RecordItem::BestPeak, &StatusDisplay::ShowBestPeak},
    {RecordItem::BestGaussian, &StatusDisplay::ShowBestGaussian},
    {RecordItem::Message, &StatusDisplay::ShowMessage},
    {RecordItem::GraphFrame, nullptr},
};
static_assert(CoversEveryItemInOrder(kItemDrawing), "every item has its drawing, at the item's index");
