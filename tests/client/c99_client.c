/* The public header from plain C99, linked against the shared library: a client's whole
 * round of calls, each checked, on a record named by the first argument. */
#include <stdio.h>
#include <string.h>

#include "orvane/client.h"

#define CHECK(call)                                                      \
    do {                                                                 \
        orvane_status status_ = (call);                                  \
        if (status_ != ORVANE_OK) {                                      \
            fprintf(stderr, "%s: %s\n", #call, orvane_status_text(status_)); \
            return 1;                                                    \
        }                                                                \
    } while (0)

int main(int argc, char **argv) {
    orvane_client *c = NULL;
    char message[200];
    orvane_data_unit unit = {13.5f, 18.25f, 2451545.0, 1.42e9, 9765.625, 1, 2, 1048576u};
    orvane_peak peak = {12.5f, 0.5f, 6, 3, 0.25f, 8};
    orvane_gaussian gaussian = {10.0f, 3.25f, 0.125f, 1, 2, -0.5f, 8};
    orvane_graph graph;
    unsigned char row[600];
    int i;

    if (argc < 2) return 2;
    if (orvane_open(argv[1], 0, &c, message, sizeof message) != ORVANE_OK) {
        fprintf(stderr, "%s\n", message);
        return 1;
    }
    CHECK(orvane_set_user(c, "Nadia Ferro", 3, 7200.0));
    CHECK(orvane_set_data_unit(c, &unit));
    CHECK(orvane_set_status_a(c, "Searching for spikes"));
    CHECK(orvane_set_progress(c, 0.25f));
    CHECK(orvane_set_step(c, 0.5f));
    CHECK(orvane_set_cpu_time(c, 61.5));
    CHECK(orvane_set_search(c, -2.5f, 4096));
    CHECK(orvane_set_current_peak(c, &peak));
    CHECK(orvane_set_best_peak(c, &peak));
    CHECK(orvane_set_best_gaussian(c, &gaussian));
    CHECK(orvane_set_graph(c, 0, 0, 0));
    CHECK(orvane_get_graph(c, &graph));
    for (i = 0; i < 600; ++i) row[i] = (unsigned char)(i % 50);
    CHECK(orvane_push_row(c, row, (size_t)graph.bins));
    CHECK(orvane_show_message(c, "Hello", "from C99"));
    CHECK(orvane_hide_message(c));
    CHECK(orvane_set_label(c, "core 3: band 2"));
    if (orvane_set_label(c, "tab\there") != ORVANE_ERR_RANGE) return 1;
    if (strcmp(orvane_record_name(c), argv[1]) != 0) return 1;
    if (orvane_set_progress(c, 0.0f / 0.0f) != ORVANE_ERR_RANGE) return 1;
    if (strcmp(orvane_status_text(ORVANE_ERR_NAME_TAKEN), "the record is in use by a running client") != 0) return 1;
    orvane_close(c);
    puts("published");
    return 0;
}
