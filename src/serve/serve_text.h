// The record's texts (Windows-1252) as each of orvane-serve's answers needs them: UTF-8 with
// the escapes of JSON, of HTML, and of a Prometheus label value.
#pragma once

#include <string>
#include <string_view>

// A JSON string, quotes included.
std::string JsonText(std::string_view ansi);
// Text and attribute values of a page: &, <, >, " and ' as entities.
std::string HtmlText(std::string_view ansi);
// A label value of the text exposition format, without its quotes: backslash, quote and line
// feed escaped.
std::string MetricLabelText(std::string_view ansi);
// A query value: everything but letters, digits and -._~ percent-encoded.
std::string UrlEncoded(std::string_view text);
