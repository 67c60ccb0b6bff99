// The overview's share of a tick with sixteen clients: taking each client's facts from its
// record and showing the page, when nothing changed and when one client moved on; and one
// card drawn whole.
#include <memory>
#include <string>
#include <vector>

#include "bench_cases.h"
#include "record/demo_record.h"
#include "record/record_builder.h"
#include "screen/overview_board.h"

namespace {

constexpr int kClients = 16;

struct Overview {
    Overview() : board(LayoutOverview(Rect{0, 0, 1920, 1080}, 1)) {
        for (int k = 0; k < kClients; ++k) {
            records.push_back(MakeZeroRecord());
            FillDemoRecord(*records.back(), static_cast<std::uint32_t>(k + 1));
            names.push_back("orvane_share_" + std::to_string(k + 2));
        }
        Tick();
    }
    // What a reader showing the overview does every tick.
    void Tick() {
        facts.clear();
        for (int k = 0; k < kClients; ++k) facts.push_back(CardFactsFor(*records[k], names[k], "bench"));
        board.Show(facts);
    }

    std::vector<std::unique_ptr<SharedStatus>> records;
    std::vector<std::string> names;
    std::vector<CardFacts> facts;
    OverviewBoard board;
};

}  // namespace

std::vector<BenchCase> OverviewBenchCases() {
    return {
        {"overview/16_static_clients",
         [] {
             auto overview = std::make_shared<Overview>();
             return std::function<void()>([overview] { overview->Tick(); });
         }},
        {"overview/16_clients_one_moves",
         [] {
             auto overview = std::make_shared<Overview>();
             return std::function<void()>([overview] {
                 SharedStatus& record = *overview->records[0];
                 record.cpu_seconds += 1.0;
                 overview->Tick();
             });
         }},
        {"overview/one_card_drawn",
         [] {
             auto record = MakeZeroRecord();
             FillDemoRecord(*record, 1);
             const CardFacts facts = CardFactsFor(*record, "orvane_share", "bench");
             auto picture = std::make_shared<CardPicture>(DrawCardAlone(facts));
             return std::function<void()>([picture, facts] {
                 DrawClientCard(*picture->canvas, Rect{0, 0, kCardWidth, kCardHeight}, facts, picture->fonts);
             });
         }},
    };
}
