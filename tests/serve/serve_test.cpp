// orvane-serve's routes over real loopback HTTP, against a record the test writes under a name
// of its own (so no other run's record is touched): the picture against orvane-snapshot of the
// same bytes, the cache, following a change, the JSON and the metrics against the record, a
// hostile record, the waiting line, the token and bad requests, and that the record is never
// written.
#include <gtest/gtest.h>

#include <cstdio>
#include <httplib.h>
#include <png.h>
#include <arpa/inet.h>
#include <netinet/in.h>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <limits>
#include <random>
#include <thread>

#include "common/library_client.h"
#include "record/demo_record.h"
#include "http_routes.h"
#include "http_server.h"
#include "orvane/client.h"
#include "serve_options.h"
#include "record/record_extension.h"
#include "record/record_family.h"
#include "record/shared_mapping.h"
#include "snapshot_run.h"
#include "served_clients.h"
#include "status_service.h"

namespace fs = std::filesystem;

namespace {

const std::string kHeader = std::string(ORVANE_SOURCE_DIR) + "/resources/header.bmp";

std::string UniqueName() {
    static int count = 0;
    return "orvane_test_serve_" + std::to_string(getpid()) + "_" + std::to_string(++count);
}

// Waits for `done`, a few seconds at most: what a loaded machine still manages.
bool WaitFor(const std::function<bool()>& done) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (std::chrono::steady_clock::now() < end) {
        if (done()) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return done();
}

struct Picture {
    png_uint_32 width = 0, height = 0;
    std::vector<unsigned char> rgb;
};

bool Decode(png_image& image, Picture& picture) {
    image.format = PNG_FORMAT_RGB;
    picture.width = image.width;
    picture.height = image.height;
    picture.rgb.resize(PNG_IMAGE_SIZE(image));
    const bool ok = png_image_finish_read(&image, nullptr, picture.rgb.data(), 0, nullptr) != 0;
    png_image_free(&image);
    return ok;
}

bool DecodePng(const std::string& bytes, Picture& picture) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    return png_image_begin_read_from_memory(&image, bytes.data(), bytes.size()) && Decode(image, picture);
}

bool ReadPng(const std::string& path, Picture& picture) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    return png_image_begin_read_from_file(&image, path.c_str()) && Decode(image, picture);
}

// The value of metric `name` of the client `record` (whatever its label); NaN when absent.
double MetricValue(const std::string& metrics, const std::string& name, const std::string& record) {
    const std::string key = "\n" + name + "{record=\"" + record + "\",label=\"";
    const std::size_t at = ("\n" + metrics).find(key);
    if (at == std::string::npos) return std::numeric_limits<double>::quiet_NaN();
    const std::size_t end = metrics.find("\"} ", at + key.size() - 1);
    if (end == std::string::npos) return std::numeric_limits<double>::quiet_NaN();
    return std::strtod(metrics.c_str() + end + 3, nullptr);
}

// A record under the test's own name, the clients served with it as the default record, and a
// server on a free loopback port. No record of the family is looked for unless a test gives
// its own family (`config`).
class Serve : public ::testing::Test {
protected:
    void Start(bool withRecord, const std::string& token = "", ServedClientsConfig config = NoFamily()) {
        if (name_.empty()) name_ = UniqueName();
        if (withRecord) MakeRecord();
        config.defaultRecord = name_;
        config.headerImage = kHeader;
        clients_ = std::make_unique<ServedClients>(config);
        clients_->Start();
        server_ = std::make_unique<HttpServer>(
            [this, token](const HttpRequest& request) { return Route(request, *clients_, token); });
        std::string error;
        ASSERT_TRUE(server_->Listen("127.0.0.1", 0, error)) << error;
        port_ = server_->Port();
        ASSERT_GT(port_, 0);
        listener_ = std::thread([this] { server_->Run(); });
        client_ = std::make_unique<httplib::Client>("127.0.0.1", port_);
        client_->set_read_timeout(10, 0);
    }
    static ServedClientsConfig NoFamily() {
        ServedClientsConfig config;
        config.findRecords = [] { return std::vector<std::string>(); };
        return config;
    }
    double Metric(const std::string& metrics, const std::string& name) { return MetricValue(metrics, name, name_); }
    void MakeRecord() {
        record_ = std::make_unique<LibraryClient>(name_);
        ASSERT_EQ(record_->status, ORVANE_OK) << record_->message;
        FillDemoRecord(record_->Record());
    }
    SharedStatus* Record() { return &record_->Record(); }
    void TearDown() override {
        if (server_) server_->Stop();
        if (listener_.joinable()) listener_.join();
        if (clients_) clients_->Close();
        record_.reset();
        RemoveSharedStatus(name_.c_str());
        shm_unlink(("/" + name_ + ".readers").c_str());
    }
    httplib::Result Get(const std::string& path, const httplib::Headers& headers = {}) {
        return client_->Get(path.c_str(), headers);
    }
    std::string Body(const std::string& path) {
        auto result = Get(path);
        return result && result->status == 200 ? result->body : std::string();
    }
    // orvane-snapshot's picture of the record's bytes as they are now, from a dump of them in a
    // folder of the test's own.
    void Snapshot(const void* record, Picture& snapshot) {
        const fs::path dir = fs::temp_directory_path() / name_;
        fs::create_directories(dir);
        {
            std::ofstream dump(dir / "record.bin", std::ios::binary);
            dump.write(static_cast<const char*>(record), kSharedStatusSize);
        }
        SnapshotOptions options;
        options.recordPath = (dir / "record.bin").string();
        options.outPath = (dir / "snapshot.png").string();
        options.headerPath = kHeader;
        std::string error;
        const int status = RunSnapshot(options, error);
        const bool read = status == 0 && ReadPng(options.outPath, snapshot);
        fs::remove_all(dir);
        ASSERT_EQ(status, 0) << error;
        ASSERT_TRUE(read) << "orvane-snapshot's picture does not read back";
    }
    // The picture once the screen has been drawn.
    std::string ServedPng(const std::string& query = "") {
        std::string png;
        WaitFor([&] {
            png = Body("/status.png" + query);
            return !png.empty();
        });
        return png;
    }

    std::string name_;
    std::unique_ptr<LibraryClient> record_;
    std::unique_ptr<StatusService> service_;
    std::unique_ptr<ServedClients> clients_;
    std::unique_ptr<HttpServer> server_;
    int port_ = 0;
    std::thread listener_;
    std::unique_ptr<httplib::Client> client_;
};

TEST_F(Serve, ThePictureIsOrvaneSnapshotsOfTheSameRecordAndScalesByWholePixels) {
    Start(true);
    Picture snapshot;
    ASSERT_NO_FATAL_FAILURE(Snapshot(Record(), snapshot));
    const std::vector<unsigned char> before(reinterpret_cast<unsigned char*>(Record()),
                                            reinterpret_cast<unsigned char*>(Record()) + kSharedStatusSize);

    Picture served;
    ASSERT_TRUE(DecodePng(ServedPng(), served));
    ASSERT_EQ(served.width, 752u);
    ASSERT_EQ(served.height, 445u);
    ASSERT_EQ(snapshot.width, served.width);
    ASSERT_EQ(snapshot.height, served.height);
    EXPECT_TRUE(served.rgb == snapshot.rgb) << "the served picture differs from orvane-snapshot's";

    Picture scaled;
    ASSERT_TRUE(DecodePng(ServedPng("?scale=3"), scaled));
    ASSERT_EQ(scaled.width, 3 * served.width);
    ASSERT_EQ(scaled.height, 3 * served.height);
    std::size_t wrong = 0;
    for (png_uint_32 y = 0; y < scaled.height; ++y)
        for (png_uint_32 x = 0; x < scaled.width; ++x)
            for (int c = 0; c < 3; ++c)
                wrong += scaled.rgb[(y * scaled.width + x) * 3 + c] != served.rgb[((y / 3) * served.width + x / 3) * 3 + c];
    EXPECT_EQ(wrong, 0u);

    // A passive reader: not a byte of the record written, every flag still raised.
    EXPECT_EQ(std::memcmp(before.data(), Record(), kSharedStatusSize), 0);
    EXPECT_EQ(Record()->progress_changed, 1);
}

// With no saver beside it, nobody lowers a flag: the frame the library raises with every push
// stays raised over unchanged bytes, and the rows of older pushes must still be cleared.
TEST_F(Serve, AfterARunOfPushesWithNoSaverThePictureIsStillOrvaneSnapshots) {
    name_ = UniqueName();
    orvane_client* client = nullptr;
    ASSERT_EQ(orvane_open(name_.c_str(), 0, &client, nullptr, 0), ORVANE_OK);
    service_ = std::make_unique<StatusService>(name_, kHeader);
    ASSERT_EQ(orvane_set_graph(client, 200, 20, 0), ORVANE_OK);
    std::vector<std::uint8_t> row(200);
    for (int push = 0; push < 30; ++push) {
        std::fill(row.begin(), row.end(), std::uint8_t{2});
        for (int i = 0; i < 6; ++i) row[static_cast<std::size_t>((push * 6 + i) % 200)] = 90;
        ASSERT_EQ(orvane_push_row(client, row.data(), row.size()), ORVANE_OK);
        service_->TickOnce();
    }
    Picture snapshot;
    ASSERT_NO_FATAL_FAILURE(Snapshot(orvane_raw_record(client, nullptr), snapshot));
    Picture served;
    ASSERT_TRUE(DecodePng(*service_->Png(1), served));
    ASSERT_EQ(snapshot.rgb.size(), served.rgb.size());
    std::size_t differing = 0;
    for (std::size_t i = 0; i < served.rgb.size(); i += 3)
        differing += std::memcmp(&served.rgb[i], &snapshot.rgb[i], 3) != 0;
    EXPECT_EQ(differing, 0u) << "pixels where the served picture differs from orvane-snapshot's";
    service_.reset();
    orvane_close(client);
}

TEST_F(Serve, APictureIsEncodedOncePerChangeAndAChangeIsFollowed) {
    Start(true);
    const std::string first = ServedPng();
    ASSERT_FALSE(first.empty());
    EXPECT_EQ(Body("/status.png"), first);
    EXPECT_EQ(Body("/status.png"), first);
    EXPECT_EQ(Metric(Body("/metrics"), "orvane_serve_png_encodes_total"), 1.0);

    // The client writes as a client does: the field, then its flag.
    Record()->progress_fraction = 0.875f;
    WriteFlag(Record()->progress_changed, 1);
    std::string next;
    ASSERT_TRUE(WaitFor([&] {
        next = Body("/status.png");
        return !next.empty() && next != first;
    }));
    EXPECT_EQ(Metric(Body("/metrics"), "orvane_progress_ratio"), 0.875);
    EXPECT_LT(Metric(Body("/metrics"), "orvane_seconds_since_change"), 10.0);
}

TEST_F(Serve, TheJsonAndTheMetricsSayWhatTheRecordHolds) {
    Start(true);
    SharedStatus& r = *Record();
    r.progress_fraction = 0.25f;
    r.user_info.units_completed = 42;
    r.cpu_seconds = 3600.5;
    r.best_gaussian.score = 7.5f;
    r.message.message_on = 1;
    std::snprintf(r.user_info.user_name, sizeof r.user_info.user_name, "%s", "Ilse Varga");
    r.graph_row_count = 2;
    r.graph_bin_count = 3;
    const unsigned char first[] = {7, 0, 255}, second[] = {1, 2, 3};
    std::memcpy(r.spectrum_rows[0].values, first, sizeof first);
    std::memcpy(r.spectrum_rows[1].values, second, sizeof second);
    r.spectrum_rows[1].changed = 0;
    // The service attaches at its first tick, which a loaded machine may hold back.
    std::string json;
    EXPECT_TRUE(WaitFor([&] {
        json = Body("/status.json");
        return json.find("\"present\":true") != std::string::npos;
    })) << json;
    EXPECT_NE(json.find("\"name\":\"Ilse Varga\""), std::string::npos) << json;
    EXPECT_NE(json.find("\"progress\":{\"changed\":true,\"ratio\":0.25}"), std::string::npos) << json;
    EXPECT_NE(json.find("\"cpu_time\":{\"changed\":true,\"seconds\":3600.5}"), std::string::npos) << json;
    EXPECT_NE(json.find("\"units_completed\":42"), std::string::npos) << json;
    EXPECT_NE(json.find("\"waiting_line\":null"), std::string::npos) << json;
    EXPECT_NE(json.find("\"rows\":[{\"changed\":true,\"samples_px\":[7,0,255]},"
                        "{\"changed\":false,\"samples_px\":[1,2,3]}]"),
              std::string::npos)
        << json;
    const std::string bare = Body("/status.json?samples=0");
    EXPECT_NE(bare.find("\"rows\":null"), std::string::npos) << bare;
    EXPECT_EQ(bare.find("samples_px"), std::string::npos) << bare;

    const std::string metrics = Body("/metrics");
    EXPECT_EQ(Metric(metrics, "orvane_record_present"), 1.0);
    EXPECT_EQ(Metric(metrics, "orvane_progress_ratio"), 0.25);
    EXPECT_EQ(Metric(metrics, "orvane_units_completed_total"), 42.0);
    EXPECT_EQ(Metric(metrics, "orvane_cpu_seconds_total"), 3600.5);
    EXPECT_EQ(Metric(metrics, "orvane_best_gaussian_score"), 7.5);
    EXPECT_EQ(Metric(metrics, "orvane_message_on"), 1.0);
    EXPECT_EQ(Metric(metrics, "orvane_readers_attached"), 0.0);
    EXPECT_NE(metrics.find("# TYPE orvane_cpu_seconds_total counter\n"), std::string::npos);
}

TEST_F(Serve, AHostileRecordGivesBoundedEscapedTextsAndDefinedFigures) {
    Start(true);
    SharedStatus& r = *Record();
    std::memset(r.status_text_a, 'A', sizeof r.status_text_a);  // no terminator
    std::snprintf(r.status_text_b, sizeof r.status_text_b, "%s", "quote\" back\\ bell\a high\xE9");
    r.progress_fraction = std::numeric_limits<float>::quiet_NaN();
    r.cpu_seconds = std::numeric_limits<double>::infinity();
    r.user_info.units_completed = -5;
    r.graph_row_count = 1 << 30;
    r.graph_bin_count = -3;
    std::string json;
    ASSERT_TRUE(WaitFor([&] {
        json = Body("/status.json");
        return json.find("\"present\":true") != std::string::npos;
    }));
    // Every row the record has and no more, each without samples.
    std::size_t rows = 0;
    for (std::size_t at = json.find("\"samples_px\":[]"); at != std::string::npos; at = json.find("\"samples_px\":[]", at + 1)) ++rows;
    EXPECT_EQ(rows, static_cast<std::size_t>(kMaxSpectrumRows));
    EXPECT_EQ(json.find("\"samples_px\":[0"), std::string::npos);
    EXPECT_NE(json.find("\"text\":\"" + std::string(sizeof r.status_text_a, 'A') + "\"}"), std::string::npos) << json;
    EXPECT_NE(json.find("\"text\":\"quote\\u0022 back\\u005C bell\\u0007 high\\u00E9\""), std::string::npos) << json;
    EXPECT_NE(json.find("\"ratio\":null"), std::string::npos);
    EXPECT_NE(json.find("\"seconds\":null"), std::string::npos);
    const std::string metrics = Body("/metrics");
    EXPECT_EQ(metrics.find("nan"), std::string::npos) << metrics;
    EXPECT_EQ(metrics.find("inf"), std::string::npos) << metrics;
    EXPECT_EQ(Metric(metrics, "orvane_progress_ratio"), 0.0);
    EXPECT_EQ(Metric(metrics, "orvane_units_completed_total"), 0.0);
    // The screen is still drawn, by the saver's own rules.
    Picture picture;
    EXPECT_TRUE(DecodePng(ServedPng(), picture));
}

TEST_F(Serve, WithoutARecordItSaysSoAndTakesTheRecordOnceItAppears) {
    Start(false);
    const std::string waiting = "Waiting for the Orvane client (no shared record /" + name_ + ")";
    auto png = Get("/status.png");
    ASSERT_TRUE(png);
    EXPECT_EQ(png->status, 503);
    EXPECT_NE(png->body.find(waiting), std::string::npos);
    EXPECT_NE(Body("/status.json").find("\"waiting_line\":\"" + waiting + "\""), std::string::npos);
    EXPECT_NE(Body("/status.json").find("\"present\":false"), std::string::npos);
    EXPECT_EQ(Metric(Body("/metrics"), "orvane_record_present"), 0.0);
    EXPECT_TRUE(std::isnan(Metric(Body("/metrics"), "orvane_progress_ratio")));
    EXPECT_NE(Body("/status.html").find("status.json"), std::string::npos);

    MakeRecord();
    EXPECT_TRUE(WaitFor([&] { return Metric(Body("/metrics"), "orvane_record_present") == 1.0; }));
    EXPECT_FALSE(ServedPng().empty());

    // The client stops and unlinks its record: absent again everywhere, not merely stalled.
    record_->Close();
    EXPECT_TRUE(WaitFor([&] { return Metric(Body("/metrics"), "orvane_record_present") == 0.0; }));
    const std::string json = Body("/status.json");
    EXPECT_NE(json.find("\"present\":false"), std::string::npos) << json;
    EXPECT_NE(json.find("\"waiting_line\":\"" + waiting + "\""), std::string::npos) << json;
    auto gone = Get("/status.png");
    ASSERT_TRUE(gone);
    EXPECT_EQ(gone->status, 503);
    EXPECT_NE(gone->body.find(waiting), std::string::npos);
    EXPECT_NE(Body("/status.html").find("waiting_line"), std::string::npos) << "the page shows the waiting line it is given";
}

TEST_F(Serve, EveryRequestNeedsTheTokenWhenOneIsSet) {
    Start(true, "s3cret-token");
    for (const char* path : {"/", "/status.png", "/status.json", "/metrics", "/clients.json", "/status.html", "/nope"}) {
        auto none = Get(path);
        ASSERT_TRUE(none);
        EXPECT_EQ(none->status, 401) << path;
        auto wrong = Get(path, {{"Authorization", "Bearer s3cret-tokeN"}});
        EXPECT_EQ(wrong->status, 401) << path;
        EXPECT_EQ(Get(std::string(path) + "?token=s3cret").value().status, 401) << path;
    }
    EXPECT_EQ(Get("/metrics", {{"Authorization", "Bearer s3cret-token"}}).value().status, 200);
    EXPECT_EQ(Get("/status.json?token=s3cret-token").value().status, 200);
    // The query is decoded before the comparison, and the first of two tokens counts.
    EXPECT_EQ(Get("/metrics?samples=0&token=s3cret%2dtoken").value().status, 200);
    EXPECT_EQ(Get("/metrics?token=s3cret-token&token=wrong").value().status, 200);
    EXPECT_EQ(Get("/metrics?token=wrong&token=s3cret-token").value().status, 401);
    EXPECT_EQ(Get("/", {{"Authorization", "Basic s3cret-token"}}).value().status, 401);
}

TEST_F(Serve, BadRequestsGetClientErrorsAndNothingOutsideIsServed) {
    Start(true);
    for (const char* target : {"/status.png?scale=0", "/status.png?scale=9", "/status.png?scale=2x", "/status.png?scale=",
                               "/status.png?scale=-1", "/status.png?scale=99999999999", "/status.json?samples=2",
                               "/status.json?samples="}) {
        EXPECT_EQ(Get(target).value().status, 400) << target;
    }
    for (const char* path : {"/nope", "/../etc/passwd", "/%2e%2e/%2e%2e/etc/passwd", "/status.png/../../etc/passwd",
                             "/metrics.bak", "//status.json"}) {
        auto result = Get(path);
        ASSERT_TRUE(result) << path;
        EXPECT_GE(result->status, 400) << path;
        EXPECT_LT(result->status, 500) << path;
        EXPECT_EQ(result->body.find("root:"), std::string::npos) << path;
    }
    auto posted = client_->Post("/metrics", "x", "text/plain");
    ASSERT_TRUE(posted);
    EXPECT_EQ(posted->status, 405);
    EXPECT_EQ(posted->get_header_value("Allow"), "GET, HEAD");
    EXPECT_EQ(posted->get_header_value("Cache-Control"), "no-store");
    auto head = client_->Head("/metrics");
    ASSERT_TRUE(head);
    EXPECT_EQ(head->status, 200);
    EXPECT_TRUE(head->body.empty());
    // A parameter's value is decoded as a whole: an escaped digit is the digit, an escape
    // cut short is text.
    Picture tripled;
    ASSERT_TRUE(DecodePng(Body("/status.png?scale=%33"), tripled));
    EXPECT_EQ(tripled.width, 3 * 752u);
    EXPECT_EQ(Get("/status.png?scale=3%").value().status, 400);
    auto huge = client_->Post("/status.json", std::string(1 << 20, 'x'), "text/plain");
    if (huge) {  // or the connection is cut before all of it is sent
        EXPECT_EQ(huge->status, 413);
    }
    auto longPath = Get("/" + std::string(20000, 'a'));
    if (longPath) {
        EXPECT_EQ(longPath->status, 414);
    }
    // And the server still answers.
    EXPECT_EQ(Get("/metrics").value().status, 200);
}

TEST_F(Serve, ManyClientsAtOnceWithAChangingRecordAndASlowClientAllGetAnswers) {
    Start(true);
    ASSERT_FALSE(ServedPng().empty());
    // A client that sends half a request and then nothing holds one connection, not the server.
    int slow = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<std::uint16_t>(port_));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ASSERT_EQ(connect(slow, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    const char half[] = "GET /metrics HTTP/1.1\r\nHost: x\r\n";
    ASSERT_GT(send(slow, half, sizeof half - 1, 0), 0);

    std::atomic<bool> writing{true};
    std::thread writer([&] {
        // A client at a high rate: a new progress every millisecond.
        for (int i = 0; writing.load(); ++i) {
            Record()->progress_fraction = static_cast<float>(i % 1000) / 1000.0f;
            WriteFlag(Record()->progress_changed, 1);
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    });
    std::atomic<int> failures{0}, answered{0};
    std::vector<std::thread> clients;
    for (int t = 0; t < 6; ++t) {
        clients.emplace_back([&, t] {
            httplib::Client client("127.0.0.1", port_);
            client.set_read_timeout(10, 0);
            const char* paths[] = {"/status.png", "/metrics", "/status.json", "/status.png?scale=2", "/", "/clients.json"};
            for (int i = 0; i < 20; ++i) {
                auto result = client.Get(paths[(t + i) % 6]);
                if (result && result->status == 200 && !result->body.empty()) {
                    ++answered;
                } else {
                    ++failures;
                }
            }
        });
    }
    for (std::thread& client : clients) client.join();
    writing = false;
    writer.join();
    close(slow);
    EXPECT_EQ(failures.load(), 0);
    EXPECT_EQ(answered.load(), 6 * 20);
    // Many changes came and went, each picture encoded only when asked for after a change.
    EXPECT_LE(Metric(Body("/metrics"), "orvane_serve_png_encodes_total"), 1.0 + 6 * 20);
}

// The family's places 2 to 19 are the tests'; this suite takes 8 to 12, each test places of its
// own, so that the tests may run side by side (and beside clients that take the first free
// places).
// The entry of `name` in /clients.json, or empty.
std::string ClientEntry(const std::string& clients, const std::string& name) {
    const std::size_t at = clients.find("{\"name\":\"" + name + "\"");
    if (at == std::string::npos) return {};
    return clients.substr(at, clients.find('}', at) - at + 1);
}

TEST_F(Serve, EveryClientOfTheFamilyIsServedBesideTheDefaultRecordAndLeavesWithItsRecord) {
    LibraryClient labelled(FamilyRecordName(8)), plain(FamilyRecordName(9));
    ASSERT_EQ(labelled.status, ORVANE_OK) << labelled.message;
    ASSERT_EQ(plain.status, ORVANE_OK) << plain.message;
    FillDemoRecord(labelled.Record());
    FillDemoRecord(plain.Record());
    labelled.Record().progress_fraction = 0.25f;
    plain.Record().progress_fraction = 0.5f;
    std::snprintf(plain.Record().status_text_a, sizeof plain.Record().status_text_a, "%s", "Sifting <band> 7");
    // Windows-1252: a quote, a backslash, e acute and the euro sign.
    ASSERT_EQ(orvane_set_label(labelled.handle, "core 3: \"band\" \\ \xE9\x80"), ORVANE_OK);
    Start(true, "", ServedClientsConfig{});  // the real family, as orvane-serve looks for it

    std::string clients;
    ASSERT_TRUE(WaitFor([&] {
        clients = Body("/clients.json");
        return ClientEntry(clients, labelled.name).find("\"present\":true") != std::string::npos &&
               ClientEntry(clients, plain.name).find("\"present\":true") != std::string::npos;
    })) << clients;
    EXPECT_EQ(clients.find("{\"name\":\"" + name_ + "\""), 1u) << "the default record comes first: " << clients;
    const std::string first = ClientEntry(clients, labelled.name);
    EXPECT_NE(first.find("\"label\":\"core 3: \\\"band\\\" \\\\ \u00E9\u20AC\""), std::string::npos) << first;
    EXPECT_NE(first.find("\"progress_ratio\":0.25,"), std::string::npos) << first;
    EXPECT_NE(first.find("\"seconds_since_change\":"), std::string::npos) << first;
    EXPECT_NE(ClientEntry(clients, plain.name).find("\"label\":\"\""), std::string::npos) << clients;

    // Every per-client metric under both labels, the label in UTF-8 and escaped.
    const std::string metrics = Body("/metrics");
    EXPECT_NE(metrics.find("orvane_progress_ratio{record=\"" + labelled.name +
                           "\",label=\"core 3: \\\"band\\\" \\\\ \u00E9\u20AC\"} 0.25\n"),
              std::string::npos)
        << metrics;
    EXPECT_EQ(MetricValue(metrics, "orvane_progress_ratio", plain.name), 0.5);
    EXPECT_EQ(MetricValue(metrics, "orvane_record_present", name_), 1.0);
    // Whatever other clients the machine has, the gauge counts the records present.
    std::size_t present = 0;
    for (std::size_t at = metrics.find("\norvane_record_present{"); at != std::string::npos;
         at = metrics.find("\norvane_record_present{", at + 1))
        present += metrics.compare(metrics.find("} ", at), 4, "} 1\n") == 0;
    EXPECT_GE(present, 3u);
    EXPECT_NE(metrics.find("\norvane_clients " + std::to_string(present) + "\n"), std::string::npos) << metrics;
    // One HELP and TYPE a metric, however many clients.
    EXPECT_EQ(metrics.find("# TYPE orvane_progress_ratio"), metrics.rfind("# TYPE orvane_progress_ratio"));

    // Its picture is orvane-snapshot's of its record; its JSON carries its label.
    Picture snapshot, served;
    ASSERT_NO_FATAL_FAILURE(Snapshot(&plain.Record(), snapshot));
    std::string png;
    ASSERT_TRUE(WaitFor([&] { return !(png = Body("/c/" + plain.name + "/status.png")).empty(); }));
    ASSERT_TRUE(DecodePng(png, served));
    EXPECT_TRUE(served.rgb == snapshot.rgb) << "the client's picture differs from orvane-snapshot's";
    EXPECT_NE(Body("/c/" + labelled.name + "/status.json").find("\"label\":\"core 3: "), std::string::npos);
    EXPECT_NE(Body("/c/" + plain.name + "/").find("status.json"), std::string::npos) << "its page polls its JSON";
    auto bare = Get("/c/" + plain.name + "?token=x");
    ASSERT_TRUE(bare);
    EXPECT_EQ(bare->status, 301);
    EXPECT_EQ(bare->get_header_value("Location"), plain.name + "/?token=x");

    // The overview: a card for each, linking to its page, its texts escaped.
    const std::string overview = Body("/");
    EXPECT_NE(overview.find("data-record=\"" + labelled.name + "\" href=\"c/" + labelled.name + "/\""),
              std::string::npos);
    EXPECT_NE(overview.find(">core 3: &quot;band&quot; \\ \u00E9\u20AC<"), std::string::npos);
    EXPECT_NE(overview.find(">Sifting &lt;band&gt; 7<"), std::string::npos);
    EXPECT_NE(overview.find("data-record=\"" + name_ + "\" href=\"status.html\""), std::string::npos)
        << "the default record, not of the family, is linked to its page at /status.html";

    // A client that ends leaves.
    plain.Close();
    EXPECT_TRUE(WaitFor([&] { return ClientEntry(Body("/clients.json"), plain.name).empty(); }));
    EXPECT_EQ(Get("/c/" + plain.name + "/status.json").value().status, 404);
    EXPECT_TRUE(std::isnan(MetricValue(Body("/metrics"), "orvane_record_present", plain.name)));
}

TEST_F(Serve, UnderCOnlyServedNamesOfTheFamilyAnswerAndNothingElseIsOpened) {
    // A whole record under a name outside the family, beside the default one.
    LibraryClient outsider(UniqueName());
    ASSERT_EQ(outsider.status, ORVANE_OK);
    LibraryClient member(FamilyRecordName(10));
    ASSERT_EQ(member.status, ORVANE_OK);
    FillDemoRecord(member.Record());
    Start(true, "farm-token", ServedClientsConfig{});
    const std::string token = "?token=farm-token";
    ASSERT_TRUE(WaitFor([&] { return Get("/c/" + member.name + "/status.png" + token).value().status == 200; }));

    const std::string nines(3000, '9'), m = "/c/" + member.name;
    for (const std::string& path : std::vector<std::string>{
             "/c/", "/c//", "/c//status.png", "/c/../", "/c/%2e%2e/status.json", "/c/../status.png", "/c/etc/",
             "/c/etc/passwd", "/c/orvane_share_65/", "/c/orvane_share_1/", "/c/orvane_share_02/", "/c/orvane_share_/",
             "/c/orvane_share_4294967298/", "/c/" + nines + "/", "/c/orvane_share_" + nines + "/", "/c/" + outsider.name + "/",
             "/c/" + name_ + "/status.png", "/c/orvane_share_11/", m + "/nope", m + "/status.png/", m + "//status.json",
             "/C/" + member.name + "/", m + "%00/"}) {
        auto result = Get(path + token);
        ASSERT_TRUE(result) << path;
        EXPECT_EQ(result->status, 404) << path;
        EXPECT_EQ(result->body.find("root:"), std::string::npos) << path;
    }
    EXPECT_FALSE(fs::exists("/dev/shm/" + outsider.name + ".readers")) << "the record outside the family was opened";
    EXPECT_FALSE(fs::exists("/dev/shm/orvane_share_11.readers"));
    EXPECT_EQ(Get("/c/" + member.name + "/").value().status, 401) << "the token holds under /c/ too";
    EXPECT_EQ(client_->Post(("/c/" + member.name + "/status.json" + token).c_str(), "x", "text/plain").value().status,
              405);
    // The token given in the overview's address goes along with each link.
    const std::string overview = Body("/?token=farm-token");
    EXPECT_NE(overview.find("href=\"c/" + member.name + "/?token=farm-token\""), std::string::npos) << overview;
}

// A family of the test's own names, so that 64 records at once touch nobody else's.
struct OwnFamily {
    explicit OwnFamily(std::string stem) : stem(std::move(stem)) {}
    std::string Name(int index) const { return stem + "_" + std::to_string(index); }
    // As FindFamilyRecords judges: an object large enough for a record.
    std::vector<std::string> Find() const {
        std::vector<std::string> found;
        for (int index = 1; index <= kMaxClientRecords; ++index) {
            struct stat info {};
            if (stat(("/dev/shm/" + Name(index)).c_str(), &info) == 0 &&
                info.st_size >= static_cast<off_t>(kSharedStatusSize))
                found.push_back(Name(index));
        }
        return found;
    }
    ServedClientsConfig Config() const {
        ServedClientsConfig config;
        config.familyIndex = [this](std::string_view name) {
            for (int index = 1; index <= kMaxClientRecords; ++index)
                if (name == Name(index)) return index;
            return 0;
        };
        config.findRecords = [this] { return Find(); };
        return config;
    }
    std::string stem;
};

TEST_F(Serve, SixtyFourClientsAtOnceAreAllServedAndOneCutShortEndsNothingButItself) {
    const OwnFamily family(UniqueName() + "_family");
    std::vector<std::unique_ptr<LibraryClient>> records;
    for (int index = 2; index <= kMaxClientRecords; ++index) {
        LibraryClient& client = *records.emplace_back(std::make_unique<LibraryClient>(family.Name(index)));
        ASSERT_EQ(client.status, ORVANE_OK) << client.message;
        FillDemoRecord(client.Record());
        client.Record().progress_fraction = static_cast<float>(index) / 100.0f;
    }
    name_ = family.Name(1);
    Start(true, "", family.Config());
    std::string metrics;
    ASSERT_TRUE(WaitFor([&] {
        metrics = Body("/metrics");
        return metrics.find("\norvane_clients 64\n") != std::string::npos;
    })) << metrics.substr(0, 400);
    const std::string clients = Body("/clients.json");
    for (int index = 1; index <= kMaxClientRecords; ++index) {
        EXPECT_EQ(MetricValue(metrics, "orvane_record_present", family.Name(index)), 1.0) << index;
        EXPECT_FALSE(ClientEntry(clients, family.Name(index)).empty()) << index;
    }
    EXPECT_EQ(MetricValue(metrics, "orvane_progress_ratio", family.Name(64)), static_cast<double>(0.64f));
    EXPECT_EQ(Get("/c/" + family.Name(33) + "/status.png").value().status, 200);

    // One client cuts its object short under the readers' feet (a fault on any view but a
    // guarded one would end the server), another ends as a client does.
    const int fd = shm_open(("/" + family.Name(64)).c_str(), O_RDWR, 0);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(ftruncate(fd, 4096), 0);
    close(fd);
    records[30]->Close();
    // Both leave within a look for records, the others served on.
    ASSERT_TRUE(WaitFor([&] {
        metrics = Body("/metrics");
        return std::isnan(MetricValue(metrics, "orvane_record_present", family.Name(64))) &&
               std::isnan(MetricValue(metrics, "orvane_record_present", family.Name(32)));
    }));
    EXPECT_NE(metrics.find("\norvane_clients 62\n"), std::string::npos);
    // Their readers' boards go with them (no reader but ours knows these names).
    EXPECT_TRUE(WaitFor([&] {
        return !fs::exists("/dev/shm/" + family.Name(32) + ".readers") &&
               !fs::exists("/dev/shm/" + family.Name(64) + ".readers");
    }));
    EXPECT_TRUE(fs::exists("/dev/shm/" + family.Name(63) + ".readers"));
    EXPECT_EQ(MetricValue(metrics, "orvane_progress_ratio", family.Name(63)), static_cast<double>(0.63f));
    EXPECT_EQ(Get("/c/" + family.Name(64) + "/").value().status, 404);
}

TEST_F(Serve, AClientThatComesAndGoesMidTickLeavesTheServerWhole) {
    Start(true, "", ServedClientsConfig{});
    const std::string name = FamilyRecordName(12);
    std::atomic<bool> done{false};
    std::atomic<int> refused{0};
    std::thread asking([&] {
        httplib::Client client("127.0.0.1", port_);
        client.set_read_timeout(10, 0);
        const std::string paths[] = {"/c/" + name + "/status.png", "/c/" + name + "/status.json", "/clients.json",
                                     "/metrics", "/"};
        for (int i = 0; !done.load(); ++i) {
            auto result = client.Get(paths[i % 5].c_str());
            // The client's own paths may be gone (404) or not yet drawn (503); nothing else.
            if (!result || (result->status != 200 && result->status != 404 && result->status != 503)) ++refused;
        }
    });
    std::mt19937 random(20261209);
    for (int round = 0; round < 25; ++round) {
        LibraryClient client(name);
        ASSERT_EQ(client.status, ORVANE_OK) << client.message;
        FillDemoRecord(client.Record());
        std::this_thread::sleep_for(std::chrono::milliseconds(random() % 700));
        if (round % 3 == 0) {
            // Some end by cutting their object short first.
            const int fd = shm_open(("/" + name).c_str(), O_RDWR, 0);
            if (fd >= 0) {
                EXPECT_EQ(ftruncate(fd, 1024), 0);
                close(fd);
            }
        }
    }
    done = true;
    asking.join();
    EXPECT_EQ(refused.load(), 0);
    EXPECT_TRUE(WaitFor([&] { return ClientEntry(Body("/clients.json"), name).empty(); }));
    EXPECT_EQ(Metric(Body("/metrics"), "orvane_record_present"), 1.0) << "the default record is served on";
}

TEST(ServeOptions, ListenRecordAndTokenAreCheckedAndTheDefaultIsLoopback) {
    ServeOptions options;
    std::string error;
    ASSERT_TRUE(ParseServeOptions({}, options, error));
    EXPECT_EQ(options.host, "127.0.0.1");
    EXPECT_EQ(options.port, 8617);
    ASSERT_TRUE(ParseServeOptions({"--listen", "[::1]:9000", "--record", "farm_b"}, options, error));
    EXPECT_EQ(options.host, "::1");
    EXPECT_EQ(options.port, 9000);
    EXPECT_EQ(options.recordName, "farm_b");
    EXPECT_EQ(options.staleMinutes, 10);
    ASSERT_TRUE(ParseServeOptions({"--stale", "1440"}, options, error));
    EXPECT_EQ(options.staleMinutes, 1440);
    for (const std::vector<std::string>& bad : std::vector<std::vector<std::string>>{
             {"--listen", "8617"}, {"--listen", "127.0.0.1:0"}, {"--listen", "127.0.0.1:65536"}, {"--listen", ":80"},
             {"--listen", "127.0.0.1:8x"}, {"--listen"}, {"--record", "a/b"}, {"--record", "a\"b"}, {"--record", "a b"}, {"--bogus"},
             {"--stale", "0"}, {"--stale", "1441"}, {"--stale", "5m"}}) {
        ServeOptions o;
        EXPECT_FALSE(ParseServeOptions(bad, o, error)) << bad[0];
    }

    const fs::path file = fs::temp_directory_path() / (UniqueName() + ".token");
    std::ofstream(file) << "  tok-123 \nsecond line\n";
    ServeOptions withToken;
    withToken.tokenFile = file.string();
    ASSERT_TRUE(LoadToken(withToken, error)) << error;
    EXPECT_EQ(withToken.token, "tok-123");
    std::ofstream(file) << "\n";
    EXPECT_FALSE(LoadToken(withToken, error));
    fs::remove(file);
    withToken.tokenFile = file.string();
    EXPECT_FALSE(LoadToken(withToken, error));
}

}  // namespace
