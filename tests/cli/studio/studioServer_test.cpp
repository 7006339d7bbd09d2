// The studio's HTTP interface: every endpoint's good and bad input, and the
// safety checks (Host, Origin, CORS, caps, clients that go away or flood).

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <httplib.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <nlohmann/json.hpp>
#include <set>
#include <thread>
#include <vector>

#include "tests/support/runningStudio.h"

namespace sorvane::studio {
namespace {

using Json = nlohmann::json;
using testing::RunningStudio;

const char* const kJson = "application/json";

std::string renderBody(const std::string& host, const std::string& extra = "") {
    return R"({"host": ")" + host + R"(", "size": 24, "samples": 1)" + extra + "}";
}

bool isPng(const std::string& body) {
    return body.size() > 8 && body.compare(0, 8, "\x89PNG\r\n\x1a\n") == 0;
}

std::string errorOf(const httplib::Result& result) {
    if (!result) return "no answer";
    try {
        return Json::parse(result->body).at("error").get<std::string>();
    } catch (const std::exception&) {
        return "not a JSON error: " + result->body;
    }
}

// What a raw request over a socket is answered, up to `limit` bytes.
std::string rawExchange(int port, const std::string& request, bool waitForAnswer = true) {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    timeval timeout{10, 0};
    ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
    if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        ::close(fd);
        return "connect failed";
    }
    ::send(fd, request.data(), request.size(), MSG_NOSIGNAL);
    std::string answer;
    if (waitForAnswer) {
        char buffer[4096];
        for (ssize_t n; (n = ::recv(fd, buffer, sizeof buffer, 0)) > 0;)
            answer.append(buffer, static_cast<std::size_t>(n));
    }
    ::close(fd);
    return answer;
}

class StudioServerTest : public ::testing::Test {
protected:
    RunningStudio studio;
};

TEST_F(StudioServerTest, SchemaListsBothHostsWithRangesSectionsAndCounterparts) {
    const auto result = studio.client()->Get("/api/schema");
    ASSERT_TRUE(result);
    ASSERT_EQ(result->status, 200);
    EXPECT_EQ(result->get_header_value("Content-Type"), kJson);
    const Json schema = Json::parse(result->body);
    const auto find = [&](const char* host, const char* name) {
        for (const Json& e : schema.at(host)) {
            if (e.at("name") == name) return e;
        }
        ADD_FAILURE() << host << " has no " << name;
        return Json();
    };
    const Json diffuse = find("maya", "diffuse");
    EXPECT_EQ(diffuse.at("type"), "scalar");
    EXPECT_FLOAT_EQ(diffuse.at("default").get<float>(), 0.8f);
    EXPECT_EQ(diffuse.at("softMin"), 0.0);
    EXPECT_EQ(diffuse.at("softMax"), 1.0);
    EXPECT_EQ(diffuse.at("section"), "Common Material Attributes");
    EXPECT_EQ(diffuse.at("counterpart"), "diffuse");
    EXPECT_EQ(find("maya", "anisotropy").at("softMin"), -1.0);
    EXPECT_TRUE(find("maya", "transparency").at("counterpart").is_null());
    EXPECT_FALSE(find("maya", "outColor").at("editable").get<bool>());
    // mental ray's hard ranges come from its declaration's hints.
    EXPECT_EQ(find("mentalray", "opposition").at("max"), 1.0);
    EXPECT_EQ(find("mentalray", "color").at("default").size(), 4U);
    const Json subsurface = find("mentalray", "subsurfaceIntensity");
    EXPECT_EQ(subsurface.at("section"), "mental ray");
    EXPECT_TRUE(subsurface.at("counterpart").is_null());
    EXPECT_EQ(find("mentalray", "useIrradiance").at("type"), "boolean");
    bool jade = false;
    for (const Json& p : schema.at("presets")) jade = jade || p.at("name") == "jade";
    EXPECT_TRUE(jade);
    EXPECT_EQ(schema.at("environments"), Json::array({"studio", "outdoor"}));
    EXPECT_EQ(schema.at("meshes"), Json::parse(R"(["sphere", "torusknot"])"));
}

TEST_F(StudioServerTest, RenderAnswersAPngOfEachHostWithItsTimeAndSamples) {
    for (const char* host : {"maya", "mentalray"}) {
        const auto result = studio.client()->Post("/api/render", renderBody(host), kJson);
        ASSERT_TRUE(result);
        ASSERT_EQ(result->status, 200) << result->body;
        EXPECT_EQ(result->get_header_value("Content-Type"), "image/png");
        EXPECT_TRUE(isPng(result->body));
        EXPECT_GT(std::stod(result->get_header_value("X-Render-Seconds")), 0.0);
        EXPECT_GT(std::stoull(result->get_header_value("X-Shading-Samples")), 0U);
        EXPECT_EQ(result->get_header_value("X-Render-Size"), "24x24");
    }
}

// Each environment the schema lists lights the swatch its own way.
TEST_F(StudioServerTest, RendersEachEnvironmentTheSchemaNames) {
    const Json environments = Json::parse(studio.client()->Get("/api/schema")->body).at("environments");
    for (const char* host : {"maya", "mentalray"}) {
        std::set<std::string> pictures;
        for (const Json& environment : environments) {
            const auto result = studio.client()->Post(
                "/api/render", renderBody(host, R"(, "environment": )" + environment.dump()), kJson);
            ASSERT_TRUE(result);
            ASSERT_EQ(result->status, 200) << host << " " << environment << ": " << result->body;
            pictures.insert(result->body);
        }
        EXPECT_EQ(pictures.size(), environments.size()) << host;
    }
}

TEST_F(StudioServerTest, RendersEachPassTheSchemaNames) {
    const Json passes = Json::parse(studio.client()->Get("/api/schema")->body).at("passes");
    for (const char* host : {"maya", "mentalray"}) {
        ASSERT_GE(passes.at(host).size(), 8U) << host;
        EXPECT_EQ(passes.at(host)[0], "beauty");
        std::set<std::string> pictures;
        for (const Json& pass : passes.at(host)) {
            const auto result =
                studio.client()->Post("/api/render", renderBody(host, R"(, "pass": )" + pass.dump()), kJson);
            ASSERT_TRUE(result);
            ASSERT_EQ(result->status, 200) << host << " " << pass << ": " << result->body;
            pictures.insert(result->body);
        }
        // Incandescence and ambient are black at the default material; the rest differ.
        EXPECT_GE(pictures.size(), passes.at(host).size() - 2) << host;
    }
    EXPECT_NE(std::find(passes.at("mentalray").begin(), passes.at("mentalray").end(), "irradiance"),
              passes.at("mentalray").end());
}

TEST_F(StudioServerTest, RenderFollowsTheMaterial) {
    for (const char* host : {"maya", "mentalray"}) {
        const auto dark = studio.client()->Post(
            "/api/render", renderBody(host, R"(, "material": {"attributes": {"diffuse": 0.1}})"), kJson);
        const auto bright = studio.client()->Post(
            "/api/render", renderBody(host, R"(, "material": {"attributes": {"diffuse": 1.5}})"), kJson);
        ASSERT_TRUE(dark && bright);
        ASSERT_EQ(dark->status, 200);
        ASSERT_EQ(bright->status, 200);
        EXPECT_NE(dark->body, bright->body) << host;
    }
}

// Each mesh the schema names takes the ball's place, in both hosts.
TEST_F(StudioServerTest, RenderPutsTheMeshInTheBallsPlace) {
    for (const char* host : {"maya", "mentalray"}) {
        std::set<std::string> pictures;
        for (const char* mesh : {"null", R"("sphere")", R"("torusknot")"}) {
            const auto result = studio.client()->Post(
                "/api/render", renderBody(host, R"(, "mesh": )" + std::string(mesh)), kJson);
            ASSERT_TRUE(result);
            ASSERT_EQ(result->status, 200) << host << " " << mesh << ": " << result->body;
            pictures.insert(result->body);
        }
        EXPECT_EQ(pictures.size(), 2U) << host << ": no mesh is the sphere, the knot differs";
    }
}

struct BadRequest {
    const char* name;
    std::string body;
    const char* mentions;  // the field the message must name
};

class StudioBadRenderTest : public ::testing::TestWithParam<BadRequest> {
protected:
    RunningStudio studio;
};

TEST_P(StudioBadRenderTest, IsRefusedWithAMessageNamingTheField) {
    const auto result = studio.client()->Post("/api/render", GetParam().body, kJson);
    ASSERT_TRUE(result);
    EXPECT_EQ(result->status, 400) << result->body;
    EXPECT_NE(errorOf(result).find(GetParam().mentions), std::string::npos) << errorOf(result);
    // The server goes on serving.
    const auto next = studio.client()->Post("/api/render", renderBody("maya"), kJson);
    ASSERT_TRUE(next);
    EXPECT_EQ(next->status, 200);
}

INSTANTIATE_TEST_SUITE_P(
    Render, StudioBadRenderTest,
    ::testing::Values(
        BadRequest{"malformedJson", R"({"host": "maya", )", "not valid JSON"},
        BadRequest{"notAnObject", R"([1, 2])", "body"},
        BadRequest{"keyTwice", R"({"host": "maya", "host": "maya"})", "host"},
        BadRequest{"unknownKey", renderBody("maya", R"(, "colour": 1)"), "colour"},
        BadRequest{"noHost", R"({"size": 8})", "host"},
        BadRequest{"unknownHost", renderBody("arnold"), "host"},
        BadRequest{"sizeZero", R"({"host": "maya", "size": 0})", "size"},
        BadRequest{"sizeTooLarge", R"({"host": "maya", "size": 5000})", "size"},
        BadRequest{"sizeOneSide", R"({"host": "maya", "size": [64]})", "size"},
        BadRequest{"sizeText", R"({"host": "maya", "size": "64"})", "size"},
        BadRequest{"samplesZero", R"({"host": "maya", "samples": 0})", "samples"},
        BadRequest{"samplesTooMany", R"({"host": "maya", "samples": 1000})", "samples"},
        BadRequest{"workTooLarge", R"({"host": "maya", "size": [1024, 1024], "samples": 16})", "size"},
        BadRequest{"exposureNan", R"({"host": "maya", "exposure": "nan"})", "exposure"},
        BadRequest{"exposureTooLarge", R"({"host": "maya", "exposure": 50})", "exposure"},
        BadRequest{"unknownPass", renderBody("maya", R"(, "pass": "difuse")"), "maya has no pass \"difuse\""},
        BadRequest{"passTheHostLacks", renderBody("maya", R"(, "pass": "irradiance")"), "pass"},
        BadRequest{"passNotText", renderBody("maya", R"(, "pass": 3)"), "pass"},
        BadRequest{"unknownEnvironment", renderBody("maya", R"(, "environment": "outdoors")"),
                   "environment: no environment \"outdoors\"; did you mean \"outdoor\"?"},
        BadRequest{"environmentNotText", renderBody("maya", R"(, "environment": 1)"), "environment"},
        BadRequest{"unknownMesh", renderBody("maya", R"(, "mesh": "torusknt")"),
                   "mesh: no mesh \"torusknt\"; did you mean \"torusknot\"?"},
        // The server reads no file it is named.
        BadRequest{"meshFile", renderBody("maya", R"(, "mesh": "/etc/hostname")"), "files are not read"},
        BadRequest{"meshNotText", renderBody("maya", R"(, "mesh": 1)"), "mesh"},
        BadRequest{"unknownAttribute", renderBody("maya", R"(, "material": {"attributes": {"difuse": 0.5}})"),
                   "did you mean \"diffuse\""},
        BadRequest{"wrongValueCount",
                   renderBody("maya", R"(, "material": {"attributes": {"color": [1, 2]}})"), "color"},
        BadRequest{"infiniteValue", renderBody("maya", R"(, "material": {"attributes": {"diffuse": "inf"}})"),
                   "diffuse"},
        BadRequest{"unknownPreset", renderBody("maya", R"(, "material": {"preset": "jaed"})"), "jade"},
        BadRequest{"viewTooLong", renderBody("maya", R"(, "view": ")" + std::string(65, 'v') + "\""),
                   "view"}),
    [](const ::testing::TestParamInfo<BadRequest>& info) { return std::string(info.param.name); });

TEST_F(StudioServerTest, RefusesABodyThatIsNotJson) {
    const auto result = studio.client()->Post("/api/render", renderBody("maya"), "text/plain");
    ASSERT_TRUE(result);
    EXPECT_EQ(result->status, 400);
    EXPECT_NE(errorOf(result).find("Content-Type"), std::string::npos);
}

struct HostCase {
    const char* name;
    std::string host;  // @ stands for the served port
    int status;
};

class StudioHostHeaderTest : public ::testing::TestWithParam<HostCase> {
protected:
    RunningStudio studio;
};

TEST_P(StudioHostHeaderTest, OnlyTheAddressServedIsAnswered) {
    std::string host = GetParam().host;
    const std::size_t at = host.find('@');
    if (at != std::string::npos) host.replace(at, 1, std::to_string(studio.port()));
    const auto result = studio.client()->Get("/api/schema", {{"Host", host}});
    ASSERT_TRUE(result);
    EXPECT_EQ(result->status, GetParam().status) << host;
    if (GetParam().status != 200) {
        EXPECT_NE(errorOf(result).find("Host"), std::string::npos);
    }
}

INSTANTIATE_TEST_SUITE_P(
    DnsRebinding, StudioHostHeaderTest,
    ::testing::Values(HostCase{"servedAddress", "127.0.0.1:@", 200},
                      HostCase{"localhost", "localhost:@", 200},
                      HostCase{"otherName", "attacker.example:@", 403},
                      HostCase{"otherNameNoPort", "attacker.example", 403},
                      HostCase{"otherPort", "127.0.0.1:1", 403}, HostCase{"noPort", "127.0.0.1", 403},
                      HostCase{"otherLoopbackAddress", "127.0.0.2:@", 403},
                      HostCase{"ipv6Loopback", "[::1]:@", 403}, HostCase{"unbracketedIpv6", "::1:@", 403},
                      HostCase{"empty", "", 400}),
    [](const ::testing::TestParamInfo<HostCase>& info) { return std::string(info.param.name); });

TEST_F(StudioServerTest, RefusesARequestWithoutHost) {
    const std::string answer = rawExchange(studio.port(), "GET /api/schema HTTP/1.0\r\n\r\n");
    EXPECT_EQ(answer.rfind("HTTP/1.1 400", 0), 0U) << answer.substr(0, 200);
    EXPECT_NE(answer.find("Host: missing"), std::string::npos);
}

TEST_F(StudioServerTest, RefusesAnotherSitesPage) {
    const auto other = studio.client()->Post("/api/render", {{"Origin", "http://attacker.example"}},
                                             renderBody("maya"), kJson);
    ASSERT_TRUE(other);
    EXPECT_EQ(other->status, 403);
    EXPECT_NE(errorOf(other).find("Origin"), std::string::npos);
    const auto own = studio.client()->Post("/api/render", {{"Origin", "http://" + studio.host()}},
                                           renderBody("maya"), kJson);
    ASSERT_TRUE(own);
    EXPECT_EQ(own->status, 200);
}

TEST_F(StudioServerTest, SendsNoCorsHeaders) {
    const httplib::Headers origin{{"Origin", "http://attacker.example"}};
    for (const auto& result :
         {studio.client()->Get("/api/schema"), studio.client()->Options("/api/render", origin),
          studio.client()->Get("/api/schema", origin)}) {
        ASSERT_TRUE(result);
        for (const auto& [name, value] : result->headers) {
            EXPECT_EQ(name.rfind("Access-Control-", 0), std::string::npos) << name << ": " << value;
        }
    }
}

TEST_F(StudioServerTest, CapsTheBody) {
    // Just under the cap is read (and refused for what it says); over it is refused unread.
    const std::string under = "{\"host\": \"maya\", \"view\": \"" + std::string((1 << 20) - 64, 'v') + "\"}";
    const auto read = studio.client()->Post("/api/render", under, kJson);
    ASSERT_TRUE(read);
    EXPECT_EQ(read->status, 400);
    EXPECT_NE(errorOf(read).find("view"), std::string::npos);
    const auto over = studio.client()->Post("/api/render", std::string((1 << 20) + 1, ' '), kJson);
    ASSERT_TRUE(over);
    EXPECT_EQ(over->status, 413);
}

TEST_F(StudioServerTest, SurvivesAClientThatLeavesMidRender) {
    const std::string body = R"({"host": "maya", "size": 512, "samples": 16, "view": "left"})";
    const std::string request =
        "POST /api/render HTTP/1.1\r\nHost: " + studio.host() +
        "\r\nContent-Type: application/json\r\nContent-Length: " + std::to_string(body.size()) + "\r\n\r\n" +
        body;
    rawExchange(studio.port(), request, false);
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    const auto after = studio.client()->Get("/api/schema");
    ASSERT_TRUE(after);
    EXPECT_EQ(after->status, 200);
    // The page's next frame for the view stops the abandoned render.
    const auto next = studio.client()->Post("/api/render", renderBody("maya", R"(, "view": "left")"), kJson);
    ASSERT_TRUE(next);
    EXPECT_EQ(next->status, 200);
}

TEST_F(StudioServerTest, ANewerRequestForTheSameViewStopsTheOlder) {
    std::atomic<int> olderStatus{0};
    std::thread older([&] {
        const auto result = studio.client()->Post(
            "/api/render", R"({"host": "mentalray", "size": 1024, "samples": 4, "view": "v"})", kJson);
        olderStatus = result ? result->status : -1;
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    const auto newer =
        studio.client()->Post("/api/render", renderBody("mentalray", R"(, "view": "v")"), kJson);
    older.join();
    ASSERT_TRUE(newer);
    EXPECT_EQ(newer->status, 200);
    EXPECT_EQ(olderStatus, 409);
}

TEST_F(StudioServerTest, AFloodCostsErrorResponsesNotTheServer) {
    constexpr int kClients = 12;
    std::vector<std::thread> clients;
    std::atomic<int> answered{0}, busy{0};
    for (int i = 0; i < kClients; ++i) {
        clients.emplace_back([&] {
            const auto result =
                studio.client()->Post("/api/render", R"({"host": "maya", "size": 128, "samples": 2})", kJson);
            if (result && (result->status == 200 || result->status == 503)) ++answered;
            if (result && result->status == 503) ++busy;
        });
    }
    for (std::thread& t : clients) t.join();
    EXPECT_EQ(answered, kClients);
    EXPECT_GT(busy, 0) << "more renders waited than a host lets wait";
    const auto after = studio.client()->Get("/api/schema");
    ASSERT_TRUE(after);
    EXPECT_EQ(after->status, 200);
}

TEST_F(StudioServerTest, ServesThePageWithAStrictPolicy) {
    const auto page = studio.client()->Get("/");
    ASSERT_TRUE(page);
    EXPECT_EQ(page->status, 200);
    EXPECT_NE(page->get_header_value("Content-Type").find("text/html"), std::string::npos);
    EXPECT_NE(page->body.find("studio.js"), std::string::npos);
    EXPECT_NE(page->get_header_value("Content-Security-Policy").find("default-src 'self'"),
              std::string::npos);
    EXPECT_EQ(page->get_header_value("X-Content-Type-Options"), "nosniff");
    for (const char* path : {"/studio.js", "/studio.css"}) {
        const auto file = studio.client()->Get(path);
        ASSERT_TRUE(file);
        EXPECT_EQ(file->status, 200) << path;
    }
    const auto missing = studio.client()->Get("/../../etc/passwd");
    ASSERT_TRUE(missing);
    EXPECT_GE(missing->status, 400);
}

TEST_F(StudioServerTest, ExportWritesTheThreeForms) {
    const auto result = studio.client()->Post(
        "/api/export",
        R"({"name": "waxy", "material": {"preset": "wax", "attributes": {"diffuse": 0.625, "useIrradiance": true, "transparency": 0.25}}})",
        kJson);
    ASSERT_TRUE(result);
    ASSERT_EQ(result->status, 200) << result->body;
    const Json out = Json::parse(result->body);
    EXPECT_EQ(out.at("name"), "waxy");
    const std::string mel = out.at("mel");
    EXPECT_NE(mel.find("startAttrPreset( \"sorvane\" );"), std::string::npos);
    EXPECT_NE(mel.find("\tblendAttr \"diffuse\" 0.625;\n"), std::string::npos) << mel;
    EXPECT_NE(mel.find("\tblendAttr \"transparencyG\" 0.25;\n"), std::string::npos) << mel;
    EXPECT_EQ(mel.find("subsurfaceIntensity"), std::string::npos) << "mental ray's own is not Maya's";
    const std::string mi = out.at("mi");
    EXPECT_NE(mi.find("shader \"waxy\" \"qm7r_sorvane\" ("), std::string::npos) << mi;
    EXPECT_NE(mi.find("\"diffuse\" 0.625,"), std::string::npos) << mi;
    EXPECT_NE(mi.find("\"useIrradiance\" on"), std::string::npos) << mi;
    EXPECT_EQ(mi.find("transparency"), std::string::npos) << "Maya's own is not mental ray's";
    const Json preset = Json::parse(out.at("preset").get<std::string>()).at("waxy");
    EXPECT_EQ(preset.at("attributes").at("diffuse"), 0.625);
    EXPECT_EQ(preset.at("maya").at("transparency"), Json::array({0.25, 0.25, 0.25}));
    EXPECT_EQ(preset.at("mentalray").at("useIrradiance"), true);
}

TEST_F(StudioServerTest, AnExportedPresetReadsBackAsTheSameMaterial) {
    const auto first = studio.client()->Post(
        "/api/export",
        R"({"name": "a", "material": {"preset": "jade", "attributes": {"color": [0.1, 0.2, 0.3], "subsurfaceIntensity": 0.4}}})",
        kJson);
    ASSERT_TRUE(first);
    ASSERT_EQ(first->status, 200) << first->body;
    const Json exported = Json::parse(first->body);
    const Json preset = Json::parse(exported.at("preset").get<std::string>()).at("a");
    Json attributes = preset.at("attributes");
    for (const char* host : {"maya", "mentalray"}) {
        if (preset.contains(host)) attributes.update(preset.at(host));
    }
    const Json again = {{"name", "a"}, {"material", {{"attributes", attributes}}}};
    const auto second = studio.client()->Post("/api/export", again.dump(), kJson);
    ASSERT_TRUE(second);
    ASSERT_EQ(second->status, 200) << second->body;
    const Json reexported = Json::parse(second->body);
    EXPECT_EQ(reexported.at("mel"), exported.at("mel"));
    EXPECT_EQ(reexported.at("mi"), exported.at("mi"));
}

TEST_F(StudioServerTest, ExportRefusesBadInput) {
    for (const std::string& body :
         {std::string(R"({"name": "bad name; rm", "material": {}})"), std::string(R"({"name": 5})"),
          std::string(R"({"material": {"attributes": {"difuse": 1}}})"), std::string(R"({"materials": {}})"),
          std::string("{")}) {
        const auto result = studio.client()->Post("/api/export", body, kJson);
        ASSERT_TRUE(result);
        EXPECT_EQ(result->status, 400) << body;
        EXPECT_NE(errorOf(result), "") << body;
    }
}

TEST_F(StudioServerTest, ReadsTheMaterialsOfAnUploadedFile) {
    const std::string ma =
        "createNode lambert -n \"other\";\n\tsetAttr \".dc\" 0.5;\n"
        "createNode sorvane -n \"loaded\";\n\tsetAttr \".dfl\" 0.21;\n"
        "\tsetAttr \".c\" -type \"float3\" 0.1 0.2 0.3 ;\n";
    const auto result = studio.client()->Post("/api/material?name=look.ma", ma, "text/plain");
    ASSERT_TRUE(result);
    ASSERT_EQ(result->status, 200) << result->body;
    const Json materials = Json::parse(result->body).at("materials");
    ASSERT_EQ(materials.size(), 1U);
    EXPECT_EQ(materials[0].at("name"), "loaded");
    EXPECT_FLOAT_EQ(materials[0].at("attributes").at("diffuse").get<float>(), 0.21f);
    EXPECT_EQ(materials[0].at("attributes").at("color").size(), 3U);
}

TEST_F(StudioServerTest, AnExportedMelReadsBack) {
    const auto exported = studio.client()->Post(
        "/api/export", R"({"name": "m", "material": {"attributes": {"diffuse": 0.4375}}})", kJson);
    ASSERT_TRUE(exported);
    ASSERT_EQ(exported->status, 200);
    const std::string mel = Json::parse(exported->body).at("mel");
    const auto read = studio.client()->Post("/api/material?format=mel", mel, "text/plain");
    ASSERT_TRUE(read);
    ASSERT_EQ(read->status, 200) << read->body;
    EXPECT_EQ(Json::parse(read->body).at("materials").at(0).at("attributes").at("diffuse"), 0.4375);
}

TEST_F(StudioServerTest, RefusesAMaterialFileItCannotRead) {
    const struct {
        const char* query;
        const char* text;
        const char* mentions;
    } cases[] = {
        {"", "createNode sorvane;", "name"},
        {"?format=obj", "o cube", "format"},
        {"?name=look.txt", "createNode sorvane;", "name"},
        {"?name=look.ma", "createNode sorvane -n \"s\";\n\tsetAttr \".nope\" 1;\n", "look.ma:2"},
        {"?name=look.mi", "shader \"s\" \"qm7r_sorvane\" ( \"diffuse\" ", "look.mi"},
        {"?name=look.json", "{\"a\": ", "look.json"},
    };
    for (const auto& c : cases) {
        const auto result =
            studio.client()->Post(std::string("/api/material") + c.query, c.text, "text/plain");
        ASSERT_TRUE(result);
        EXPECT_EQ(result->status, 400) << c.query;
        EXPECT_NE(errorOf(result).find(c.mentions), std::string::npos) << c.query << ": " << errorOf(result);
    }
}

TEST_F(StudioServerTest, UnknownPathsAnswerJsonErrors) {
    const auto result = studio.client()->Get("/api/nothing");
    ASSERT_TRUE(result);
    EXPECT_EQ(result->status, 404);
    EXPECT_NE(errorOf(result).find("/api/nothing"), std::string::npos);
}

TEST(StudioAddresses, LoopbackIsTheOnlyQuietAddress) {
    EXPECT_TRUE(isLoopback("127.0.0.1"));
    EXPECT_TRUE(isLoopback("127.1.2.3"));
    EXPECT_TRUE(isLoopback("::1"));
    EXPECT_FALSE(isLoopback("0.0.0.0"));
    EXPECT_FALSE(isLoopback("::"));
    EXPECT_FALSE(isLoopback("192.168.1.2"));
    EXPECT_FALSE(isLoopback("localhost"));
}

}  // namespace
}  // namespace sorvane::studio
