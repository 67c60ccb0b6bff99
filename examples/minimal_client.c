/* A minimal Orvane client: a made-up analysis whose state it publishes through orvane-client.
 * Usage: minimal_client [SECONDS [NAME [LABEL]]]; SECONDS 0 (the default) runs until killed.
 * NAME "next" takes the first free name of the family (orvane_share, orvane_share_2, ...), as
 * one of several clients on a machine; LABEL tells it from the others where readers show many. */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <orvane/client.h>

#ifdef _WIN32
#include <windows.h>
static void pause_a_tenth(void) { Sleep(100); }
#else
#include <time.h>
static void pause_a_tenth(void) {
    struct timespec tick = {0, 100 * 1000 * 1000};
    nanosleep(&tick, NULL);
}
#endif

int main(int argc, char **argv) {
    double seconds = argc > 1 ? atof(argv[1]) : 0.0;
    const char *name = argc > 2 ? argv[2] : NULL; /* NULL: "orvane_share" */
    const char *label = argc > 3 ? argv[3] : NULL;
    unsigned flags = 0;
    orvane_client *c;
    char why[256];
    orvane_data_unit unit = {5.5f, 22.0f, 2451545.0, 1.42e9, 9765.625, 1, 1, 1048576u};
    orvane_peak best = {0.0f, 0.0f, 0, 0, 0.0f, 1024};
    orvane_graph graph;
    unsigned char row[600];
    long step, i;

    if (name != NULL && strcmp(name, "next") == 0) {
        name = NULL;
        flags = ORVANE_OPEN_NEXT_FREE;
    }
    if (orvane_open(name, flags, &c, why, sizeof why) != ORVANE_OK) {
        fprintf(stderr, "minimal_client: %s\n", why);
        return 1;
    }
    if (flags & ORVANE_OPEN_NEXT_FREE) {
        printf("minimal_client: publishing as %s\n", orvane_record_name(c));
        fflush(stdout);
    }
    if (label != NULL && orvane_set_label(c, label) != ORVANE_OK)
        fprintf(stderr, "minimal_client: the label \"%s\" was refused\n", label);
    orvane_set_user(c, "Piet Halvorsen", 3, 7200.0);
    orvane_set_data_unit(c, &unit);
    orvane_set_status_a(c, "Computing power spectra");
    orvane_set_graph(c, 0, 0, 0);
    orvane_get_graph(c, &graph);
    for (step = 0; seconds <= 0 || step < (long)(seconds * 10); ++step) {
        orvane_peak now = {0.0f, 0.0f, 0, (int32_t)step, 0.5f, 1024};
        for (i = 0; i < graph.bins; ++i) /* a noise floor and one drifting carrier */
            row[i] = (unsigned char)(rand() % (graph.peak_height / 4 + 1) +
                                     ((i - step) % graph.bins == 0 ? graph.peak_height / 2 : 0));
        orvane_push_row(c, row, (size_t)graph.bins);
        now.freq_bin = (int32_t)(step % graph.bins) * 2;
        now.power = 10.0f + (float)(rand() % 100) / 10.0f;
        now.score = now.power / 20.0f;
        orvane_set_current_peak(c, &now);
        if (now.power > best.power) {
            best = now;
            orvane_set_best_peak(c, &best);
        }
        orvane_set_progress(c, (float)(step % 3000) / 3000.0f);
        orvane_set_step(c, (float)(step % 30) / 30.0f);
        orvane_set_cpu_time(c, step * 0.1);
        orvane_set_search(c, 0.5f, 1024);
        pause_a_tenth(); /* ten updates a second */
    }
    orvane_close(c);
    return 0;
}
