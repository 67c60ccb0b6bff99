/* orvane/client.h: publish an analysis program's state to Orvane, the status screen.
 *
 * A program opens the record once, then calls one function per item whenever that item
 * changes. Each call copies its values into the shared record, bounds texts to their fields
 * and raises the item's change flag last, with release ordering, so that a reader never sees
 * the flag before the values. The rules a client must keep live here, not in the caller:
 *
 *   - a reader that attaches (or replaces another) has drawn nothing: every item published
 *     so far, the graph frame and every row are raised again;
 *   - taking the message down blanks the graph, so the frame and every row are raised again;
 *     while the message shows, graph changes are held back in the handle (a frame redraw
 *     would wipe it), and the record's graph is rewritten only together with its flags;
 *   - a reader reads the frame's flag before the rows', and status text B's before A's; rows
 *     it drew just before their frame went up, and text A (set last) drawn before B, are
 *     raised again so that they end up on top;
 *   - orvane_push_row adds the newest spectrum at the front (the last row) and moves every
 *     older one a row toward the back;
 *   - the graph's geometry is chosen to fit the area that the reader offers, and chosen
 *     again when a reader offers another one.
 *
 * The library notices readers coming and going in every call, and in orvane_poll, which a
 * client that may publish nothing for a while should call a few times a second.
 *
 *     orvane_client *c;
 *     if (orvane_open(NULL, 0, &c, NULL, 0) != ORVANE_OK) return 1;
 *     orvane_set_status_a(c, "Searching for spikes");
 *     orvane_set_progress(c, 0.25f);
 *     orvane_close(c);
 *
 * Threads: a handle is not locked. Calls on one handle must not overlap; make them from one
 * thread, or serialise them yourself. Separate handles (on separate names) are independent.
 * Every function may be called from any thread as long as calls on a handle do not overlap.
 *
 * Lifetime: orvane_open gives a handle that stays valid until orvane_close. Pointers passed in
 * are read during the call only. A reader that is attached when the client closes keeps its
 * mapping and goes on showing the last state.
 *
 * Errors: every function returns an orvane_status. A call that fails writes nothing into the
 * record. Each call's ORVANE_ERR_RANGE conditions are given beside it: they are the values a
 * reader cannot show, the same that `orvane-inspect --lint` reports in a record, so that what
 * the library accepts lints clean. Fields not named there (units completed, source, sample
 * count, the power, fit and drift rate of a peak or Gaussian, the latest peak's bins) are taken
 * as they are. orvane_status_text gives a fixed English text for a code; orvane_open can also
 * fill a buffer with a message that names the record and the cause.
 *
 * Texts are 8-bit Windows-1252 (ANSI) strings, ended by a zero byte; longer ones are cut to
 * their field. The public types below are this library's own: the record's byte layout is
 * described in docs/record-format.md and never exposed here.
 */
#ifndef ORVANE_CLIENT_H
#define ORVANE_CLIENT_H

#include <stddef.h>
#include <stdint.h>

#if defined(_WIN32) && !defined(ORVANE_CLIENT_STATIC)
#if defined(ORVANE_CLIENT_BUILDING)
#define ORVANE_CLIENT_API __declspec(dllexport)
#else
#define ORVANE_CLIENT_API __declspec(dllimport)
#endif
#elif defined(__GNUC__)
#define ORVANE_CLIENT_API __attribute__((visibility("default")))
#else
#define ORVANE_CLIENT_API
#endif

#ifdef __cplusplus
extern "C" {
#endif

#define ORVANE_CLIENT_VERSION_MAJOR 1
#define ORVANE_CLIENT_VERSION_MINOR 2

typedef enum orvane_status {
    ORVANE_OK = 0,
    ORVANE_ERR_ARGUMENT = 1,   /* a null handle or pointer, an empty row, a bad name or unknown flags */
    ORVANE_ERR_RANGE = 2,      /* a value the reader cannot show (see each call); nothing written */
    ORVANE_ERR_NAME_TAKEN = 3, /* a live client already publishes under this name (every name, with NEXT_FREE) */
    ORVANE_ERR_TOO_SMALL = 4,  /* an object of that name exists and is shorter than the record, or
                                  than the record and its label (orvane_set_label) */
    ORVANE_ERR_PERMISSION = 5, /* the object exists and this user may not open it read-write */
    ORVANE_ERR_MEMORY = 6,     /* no memory for the handle */
    ORVANE_ERR_SYSTEM = 7      /* any other failure of the system's calls */
} orvane_status;

typedef struct orvane_client orvane_client;

/* orvane_open flags. */
#define ORVANE_OPEN_KEEP_NAME 0x1u /* POSIX: leave the name in place at close (readers may re-open) */
#define ORVANE_OPEN_NEXT_FREE 0x2u /* the first free name of the family (since 1.2) */

/* Opens the record `name` (NULL: "orvane_share"; POSIX shared memory "/name", a named file
 * mapping on Windows) for publishing. A name has 1 to 199 characters, with no slash or
 * backslash. `flags` is 0 or a combination of ORVANE_OPEN_KEEP_NAME and ORVANE_OPEN_NEXT_FREE.
 * ORVANE_ERR_ARGUMENT for a NULL `out`, any other flag bit, or a bad name, each with a message
 * of its own. On success *out is the handle; on failure (with `out` not NULL) it is NULL.
 * A new object is made with the record's size and room for a label past it (126,904 bytes),
 * readable and writable by this user only (mode 0600 on POSIX), and reads as zeros. An object
 * that a client which has ended left behind is taken over: it is zeroed, its label emptied,
 * except for what a reader wrote into it (its attached marker, priority class and graph area),
 * so that a reader still attached to it goes on showing the new client. An existing object is
 * never shortened nor grown.
 *
 * The family of names: the machine's clients publish under "orvane_share" (place 1, the one
 * a single client takes) and "orvane_share_2" to "orvane_share_64"; readers that show several
 * clients look for these names and no others. With ORVANE_OPEN_NEXT_FREE the library takes the
 * first name of the family that no running client holds, from `name` on: NULL (or
 * "orvane_share") tries every place from 1 to 64, "orvane_share_9" places 9 to 64 (to leave the
 * first places to other clients). A name outside the family is ORVANE_ERR_ARGUMENT with this
 * flag; a name held by another user's client is passed over like one held by a running client.
 * ORVANE_ERR_NAME_TAKEN when none is left. orvane_record_name tells which name was taken.
 * `message`, when not NULL, receives a zero-terminated text of at most `message_size` bytes
 * that says what went wrong (or is emptied on success). */
ORVANE_CLIENT_API orvane_status orvane_open(const char *name, unsigned flags, orvane_client **out,
                                            char *message, size_t message_size);

/* Detaches from the record and frees the handle; on POSIX the name is removed too unless the
 * handle was opened with ORVANE_OPEN_KEEP_NAME. A NULL handle is ignored. */
ORVANE_CLIENT_API void orvane_close(orvane_client *client);

/* The record's name as opened ("orvane_share_3"; without the POSIX slash), valid until
 * orvane_close; an empty string for a NULL handle. Since 1.2. */
ORVANE_CLIENT_API const char *orvane_record_name(const orvane_client *client);

/* A short text that tells this client from the machine's others ("core 3: band 2"), shown by
 * readers beside or instead of the record's name: at most 31 bytes of Windows-1252 text without
 * control bytes (below 0x20, and 0x7F), else ORVANE_ERR_RANGE; "" takes the label down.
 * ORVANE_ERR_ARGUMENT for a NULL handle or text. It is kept past the record's fixed bytes, and
 * ORVANE_ERR_TOO_SMALL tells that the record has no room for it: an object taken over from an
 * older client that made the fixed bytes alone (POSIX; on Windows the room is always there).
 * Readers that know no labels are not disturbed by one. Since 1.2. */
ORVANE_CLIENT_API orvane_status orvane_set_label(orvane_client *client, const char *text);

/* A fixed text for a status code. */
ORVANE_CLIENT_API const char *orvane_status_text(orvane_status status);

/* Bits of orvane_poll's result. */
#define ORVANE_EVENT_ATTACHED 0x1u /* a reader attached: everything was raised again */
#define ORVANE_EVENT_DETACHED 0x2u /* the last reader went away */
#define ORVANE_EVENT_AREA 0x4u     /* the offered graph area changed: a new geometry was chosen */

/* Looks at what readers have written and applies the rules above. Returns the events seen
 * since the last look (any publishing call looks too, and its events are kept for poll).
 * A NULL handle gives 0. */
ORVANE_CLIENT_API unsigned orvane_poll(orvane_client *client);

/* 1 while a reader is attached, else 0 (a NULL handle gives 0). */
ORVANE_CLIENT_API int orvane_reader_attached(orvane_client *client);

/* --- Items: each copies its values, bounds texts and raises its flag last. --- */

/* The user's name (268 bytes with its terminator), data units completed, and the user's total
 * computer time in seconds. ORVANE_ERR_RANGE for a total that is NaN, infinite or negative. */
ORVANE_CLIENT_API orvane_status orvane_set_user(orvane_client *client, const char *name, int32_t units_completed,
                                                double total_cpu_seconds);

typedef struct orvane_data_unit {
    float ra_hours;           /* right ascension, 0 to under 24 */
    float dec_degrees;        /* declination, -90 to 90 */
    double recorded_jd;       /* recording time, Julian date (UTC): 2415732.5 to 2465442.5 */
    double base_frequency_hz; /* sky frequency that bin offsets are measured from; finite */
    double bandwidth_hz;      /* bandwidth = sample rate; greater than 0 */
    int32_t bin_wrap_divisor; /* places the wrap to negative bins; at least 1 (1: the upper half is negative) */
    int32_t data_source;      /* 2: shown as the observatory; anything else: "Test Data" */
    uint32_t sample_count;    /* samples in the data unit: sample_count / bandwidth_hz is its duration */
} orvane_data_unit;

/* The data unit's description. ORVANE_ERR_RANGE for a right ascension that is not 0 or more
 * and below 24 (NaN included), a declination outside -90 to 90, a recording date outside
 * 2415732.5 to 2465442.5 (readers show it as 32-bit Unix time: 1901-12-14 to 2038-01-19), a
 * base frequency that is NaN or infinite, a bandwidth that is not a finite value above 0, or a
 * divisor below 1. The graph frame is raised too, since its labels use the bandwidth and the
 * duration. */
ORVANE_CLIENT_API orvane_status orvane_set_data_unit(orvane_client *client, const orvane_data_unit *unit);

/* The two status texts share line 1 of the analysis panel (79 bytes each). A reader draws B,
 * then A: when both change between two of its ticks (33 ms), A shows. */
ORVANE_CLIENT_API orvane_status orvane_set_status_a(orvane_client *client, const char *text);
ORVANE_CLIENT_API orvane_status orvane_set_status_b(orvane_client *client, const char *text);

/* Overall progress through the data unit and progress of the current step, 0 to 1: values
 * outside (infinities too) are held to it; ORVANE_ERR_RANGE for NaN. */
ORVANE_CLIENT_API orvane_status orvane_set_progress(orvane_client *client, float fraction);
ORVANE_CLIENT_API orvane_status orvane_set_step(orvane_client *client, float fraction);

/* Computer time spent on this data unit, in seconds. ORVANE_ERR_RANGE for NaN, infinite or
 * negative. */
ORVANE_CLIENT_API orvane_status orvane_set_cpu_time(orvane_client *client, double seconds);

/* Leaves the CPU time's change flag to another program, such as a probe that keeps it raised
 * and times a reader's lowerings of it: while `spare` is non-zero, orvane_set_cpu_time writes
 * the time without raising the flag, and a reader's attaching does not raise it either. The
 * time still shows whenever the progress is drawn. Since 1.1. */
ORVANE_CLIENT_API orvane_status orvane_spare_cpu_time_flag(orvane_client *client, int spare);

/* The drift rate searched (Hz/s) and the transform length (bins). ORVANE_ERR_RANGE for a drift
 * rate that is NaN or infinite, or a length below 1. */
ORVANE_CLIENT_API orvane_status orvane_set_search(orvane_client *client, float drift_rate, int32_t fft_length);

typedef struct orvane_peak {
    float power;
    float score;        /* 1.0 fills the peak meter; finite */
    int32_t freq_bin;   /* bin within its transform, 0 to fft_length - 1 */
    int32_t time_bin;   /* index of its transform, 0 or more */
    float drift_rate;   /* Hz/s */
    int32_t fft_length; /* 1 or more */
} orvane_peak;

typedef struct orvane_gaussian {
    float score; /* 20.0 fills the Gaussian meter; finite, 0 or more */
    float power;
    float fit;
    int32_t freq_bin; /* bin within its transform, 0 to fft_length - 1 */
    int32_t time_bin; /* index of its transform, 0 or more */
    float drift_rate;
    int32_t fft_length; /* 1 or more */
} orvane_gaussian;

/* The latest peak (only its score is shown, on the peak meter), the strongest peak so far and
 * the strongest Gaussian so far (shown with where they are).
 * orvane_set_current_peak: ORVANE_ERR_RANGE for a score that is NaN or infinite; its other
 * fields are copied as they are.
 * orvane_set_best_peak and orvane_set_best_gaussian: ORVANE_ERR_RANGE for a transform length
 * below 1, a frequency bin outside 0 to fft_length - 1, a negative time bin, or a score that is
 * NaN, infinite or negative. */
ORVANE_CLIENT_API orvane_status orvane_set_current_peak(orvane_client *client, const orvane_peak *peak);
ORVANE_CLIENT_API orvane_status orvane_set_best_peak(orvane_client *client, const orvane_peak *peak);
ORVANE_CLIENT_API orvane_status orvane_set_best_gaussian(orvane_client *client, const orvane_gaussian *gaussian);

/* A two-line message over the graph (127 bytes each; NULL counts as empty), and taking it
 * down, which blanks the graph: the library then raises the frame and every row again. */
ORVANE_CLIENT_API orvane_status orvane_show_message(orvane_client *client, const char *line1, const char *line2);
ORVANE_CLIENT_API orvane_status orvane_hide_message(orvane_client *client);

/* --- The spectrum graph --- */

typedef struct orvane_graph {
    int32_t depth_x;     /* horizontal shift across all rows, pixels */
    int32_t depth_y;     /* vertical shift across all rows, pixels (upward; never 0) */
    int32_t mirrored;    /* non-zero: depth runs up and right, the power axis stands left */
    int32_t peak_height; /* full-scale sample value and box height, pixels */
    int32_t rows;        /* rows in use, 0 to 203 */
    int32_t bins;        /* samples per row, 0 to 600 */
} orvane_graph;

/* Asks for a graph of `bins` samples per row (1 to 600; 0: 512) and `rows` rows of history
 * (1 to 203; 0: as many as suit the depth), mirrored or not; ORVANE_ERR_RANGE for other counts.
 * The library chooses the depth and the peak height from the area the reader offers (642 x 185
 * until one has), and fewer bins or rows where the area is too small; orvane_get_graph tells
 * what was chosen. The rows are cleared, and the frame and rows raised. */
ORVANE_CLIENT_API orvane_status orvane_set_graph(orvane_client *client, int32_t bins, int32_t rows, int mirrored);

/* The geometry in use. */
ORVANE_CLIENT_API orvane_status orvane_get_graph(orvane_client *client, orvane_graph *out);

/* Pushes the newest spectrum: it becomes the front row, every older row moves one toward the
 * back and the oldest is dropped. `count` samples of heights in pixels, each held to the peak
 * height; ORVANE_ERR_ARGUMENT for a count of 0 or NULL `values`. When `count` differs from the
 * graph's bins, the row is resampled: the maximum of each group of samples when there are more,
 * the nearest sample when fewer. Without a graph set, orvane_set_graph(client, 0, 0, 0) is done
 * first. */
ORVANE_CLIENT_API orvane_status orvane_push_row(orvane_client *client, const uint8_t *values, size_t count);

/* The same with floating values: 0 is the floor and `full_scale` the peak height; values
 * outside and NaN are held to the floor and the peak height. ORVANE_ERR_RANGE for a
 * `full_scale` that is not a finite value above 0. */
ORVANE_CLIENT_API orvane_status orvane_push_row_float(orvane_client *client, const float *values, size_t count,
                                                      float full_scale);

/* --- For tests only --- */

/* The mapped record itself, and its size in bytes (the label's room past the record included,
 * where there is one), for tests that must write what no client
 * should (the stand-in client's hostile scenario) or read back what was published. Writing
 * through it bypasses every rule above. NULL for a NULL handle. */
ORVANE_CLIENT_API void *orvane_raw_record(orvane_client *client, size_t *size);

#ifdef __cplusplus
}
#endif

#endif /* ORVANE_CLIENT_H */
