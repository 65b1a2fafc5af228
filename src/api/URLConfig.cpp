#include "api/URLConfig.h"

#include <mutex>

namespace {

struct Hosts {
    std::mutex mutex;
    std::string api { URLConfig::defaultApiHost };
    std::string agent { URLConfig::defaultAgentHost };
    std::string web { URLConfig::defaultWebHost };
};

Hosts& hosts()
{
    static Hosts instance;
    return instance;
}

std::string read(std::string Hosts::*member)
{
    auto& all = hosts();
    std::lock_guard lock(all.mutex);
    return all.*member;
}

void write(std::string Hosts::*member, std::string value)
{
    auto& all = hosts();
    std::lock_guard lock(all.mutex);
    all.*member = std::move(value);
}

} // namespace

std::string URLConfig::apiHost()
{
    return read(&Hosts::api);
}

void URLConfig::setApiHost(std::string host)
{
    write(&Hosts::api, std::move(host));
}

std::string URLConfig::apiBase()
{
    return "http://" + apiHost();
}

std::string URLConfig::agentHost()
{
    return read(&Hosts::agent);
}

void URLConfig::setAgentHost(std::string host)
{
    write(&Hosts::agent, std::move(host));
}

std::string URLConfig::agentBase()
{
    return agentHost() + "/Api";
}

std::string URLConfig::webHost()
{
    return read(&Hosts::web);
}

void URLConfig::setWebHost(std::string host)
{
    write(&Hosts::web, std::move(host));
}

std::string URLConfig::webBase()
{
    return "http://" + webHost();
}
