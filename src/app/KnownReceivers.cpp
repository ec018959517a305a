// SPDX-FileCopyrightText: 2026 Brivane Works inc.
// SPDX-License-Identifier: GPL-3.0-or-later

#include "app/KnownReceivers.h"

#include "platform/linux/peer/CertificateStore.h"

#include <nlohmann/json.hpp>

#include <fstream>
#include <ostream>
#include <sstream>

#include <sys/stat.h>

namespace kavora {

KnownReceivers::KnownReceivers(std::filesystem::path file)
    : file_(std::move(file))
{
}

bool KnownReceivers::check(const std::string& host, const std::string& fingerprint,
                           std::string& refusal, std::ostream& err)
{
    std::error_code error;
    nlohmann::json known = nlohmann::json::object();
    if (std::filesystem::exists(file_, error)) {
        std::ifstream in(file_);
        std::stringstream text;
        text << in.rdbuf();
        known = nlohmann::json::parse(text.str(), nullptr, false);
        if (!in || !known.is_object()) {
            refusal = "cannot read the known receivers in " + file_.string()
                + "; remove the file to meet every receiver anew";
            return false;
        }
    }
    const auto found = known.find(host);
    if (found != known.end()) {
        if (found->is_string() && found->get<std::string>() == fingerprint)
            return true;
        refusal = "the certificate of " + host + " has changed: SHA-256 " + fingerprint + " where "
            + (found->is_string() ? found->get<std::string>() : "another")
            + " was remembered. This may be another computer posing as the receiver;"
              " refusing to connect. If the receiver was reinstalled, remove \""
            + host + "\" from " + file_.string();
        return false;
    }
    known[host] = fingerprint;
    if (auto problem = writeFileAtomically(file_, known.dump(2) + "\n", S_IRUSR | S_IWUSR)) {
        refusal = "cannot remember the receiver's certificate: " + *problem;
        return false;
    }
    err << "kavora-remote: first connection to " << host
        << "; its certificate is remembered: SHA-256 " << fingerprint << '\n';
    return true;
}

} // namespace kavora
