// skorvia-registry's command line: its defaults and the values it refuses.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "registry/service.h"

namespace {

RegistryArgs parse(std::vector<const char*> args, RegistryOptions& out, std::string* error = nullptr) {
    args.insert(args.begin(), "skorvia-registry");
    std::string text;
    const RegistryArgs outcome = parse_registry_options(static_cast<int>(args.size()), args.data(), out, text);
    if (error) *error = text;
    return outcome;
}

TEST(RegistryOptions, DefaultsAndEachOption) {
    RegistryOptions o;
    ASSERT_EQ(parse({}, o), RegistryArgs::Run);
    EXPECT_EQ(o.port, 7780);
    EXPECT_EQ(o.cert_file, "");
    EXPECT_EQ(o.forget_after_ms, 45000) << "a silent server is forgotten after 45 s";

    ASSERT_EQ(parse({"--port", "0", "--cert", "c.pem", "--key", "k.pem", "--forget-after", "3"}, o), RegistryArgs::Run);
    EXPECT_EQ(o.port, 0);
    EXPECT_EQ(o.cert_file, "c.pem");
    EXPECT_EQ(o.key_file, "k.pem");
    EXPECT_EQ(o.forget_after_ms, 3000);
    ASSERT_EQ(parse({"--port", "65535"}, o), RegistryArgs::Run);
    EXPECT_EQ(o.port, 65535);
    EXPECT_EQ(parse({"--help"}, o), RegistryArgs::Help);
}

TEST(RegistryOptions, BadArgumentsNameTheFault) {
    struct Case {
        std::vector<const char*> args;
        const char* error;
    } cases[] = {
        {{"--port", "65536"}, "bad port '65536'"},
        {{"--port", "-1"}, "bad port '-1'"},
        {{"--port"}, "missing value after '--port'"},
        {{"--cert", "c.pem"}, "--cert and --key go together"},
        {{"--key", "k.pem"}, "--cert and --key go together"},
        {{"--verbose"}, "unknown option '--verbose'"},
    };
    for (const Case& c : cases) {
        RegistryOptions o;
        o.port = 1234;
        std::string error;
        EXPECT_EQ(parse(c.args, o, &error), RegistryArgs::Bad) << c.error;
        EXPECT_EQ(error, c.error);
        EXPECT_EQ(o.port, 1234) << "nothing is changed by a bad command line";
    }
}

}  // namespace
