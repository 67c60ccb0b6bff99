#include "overview_page.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "serve_text.h"

namespace {

// The cards are made here, so that the page needs no script to show them; its script only
// fetches the page again every two seconds and puts the new cards in place of the old.
const char kHead[] = R"(<!DOCTYPE html>
<html lang="en"><head><meta charset="utf-8">
<meta name="viewport" content="width=device-width, initial-scale=1">
<title>Orvane</title>
<style>
body{margin:0;background:#000;color:#ccc;font:15px sans-serif}
#cards{display:grid;grid-template-columns:repeat(auto-fill,minmax(15em,1fr));gap:.75em;padding:.75em}
.card{display:block;border:1px solid #446;border-radius:4px;padding:.6em .75em;color:#ccc;text-decoration:none;background:#0b0b18}
.card:hover{border-color:#99f}
.title{display:block;font-weight:bold;color:#fff;overflow:hidden;text-overflow:ellipsis;white-space:nowrap}
.name,.since{font-size:80%;color:#999}
.name{display:block}
.status{display:block;margin:.4em 0;min-height:1.2em;overflow:hidden;text-overflow:ellipsis;white-space:nowrap}
.bar{display:block;height:.6em;background:#223;border-radius:2px}
.bar>span{display:block;height:100%;background:#77f;border-radius:2px}
.figures{display:flex;justify-content:space-between;margin-top:.3em}
.sign{display:inline-block;margin-top:.4em;padding:0 .4em;border-radius:2px;background:#a60;color:#000;font-weight:bold}
.waiting .sign{background:#666}
</style></head><body>
)";

const char kTail[] = R"(<script>
async function refresh() {
  try {
    const r = await fetch(location.href, {cache: 'no-store'});
    if (r.ok) {
      const page = new DOMParser().parseFromString(await r.text(), 'text/html');
      const cards = page.getElementById('cards');
      if (cards) document.getElementById('cards').replaceWith(cards);
    }
  } catch (e) {}
  setTimeout(refresh, 2000);
}
setTimeout(refresh, 2000);
</script></body></html>
)";

std::string Since(double seconds) {
    char text[48];
    if (seconds < 60) {
        std::snprintf(text, sizeof text, "changed %.0f s ago", std::floor(seconds));
    } else if (seconds < 3600) {
        std::snprintf(text, sizeof text, "changed %.0f min ago", std::floor(seconds / 60));
    } else {
        std::snprintf(text, sizeof text, "changed %.0f h ago", std::floor(seconds / 3600));
    }
    return text;
}

}  // namespace

std::string OverviewPage(const std::vector<ClientCard>& cards, const std::string& linkQuery) {
    std::string page = kHead;
    page += "<main id=\"cards\">\n";
    for (const ClientCard& card : cards) {
        const ClientFigures& f = card.figures;
        const char* state = !f.present ? " waiting" : card.stale ? " stale" : "";
        page += "<a class=\"card" + std::string(state) + "\" data-record=\"" + HtmlText(f.name) + "\" href=\"" +
                HtmlText(card.page + linkQuery) + "\">";
        page += "<span class=\"title\">" + HtmlText(f.label.empty() ? f.name : f.label) + "</span>";
        if (!f.label.empty()) page += "<span class=\"name\">" + HtmlText(f.name) + "</span>";
        if (f.present) {
            const double ratio = std::isfinite(f.progress) ? std::clamp(f.progress, 0.0, 1.0) : 0.0;
            char percent[32];
            std::snprintf(percent, sizeof percent, "%.1f%%", ratio * 100);
            page += "<span class=\"status\">" + HtmlText(f.statusText) + "</span>";
            page += "<span class=\"bar\"><span style=\"width:" + std::string(percent) + "\"></span></span>";
            page += "<span class=\"figures\"><span class=\"percent\">" + std::string(percent) +
                    "</span><span class=\"since\">" + Since(f.secondsSinceChange) + "</span></span>";
            if (card.stale) page += "<span class=\"sign\">stale</span>";
        } else {
            page += "<span class=\"status\">Waiting for the Orvane client</span><span class=\"sign\">no record</span>";
        }
        page += "</a>\n";
    }
    page += "</main>\n";
    return page + kTail;
}
