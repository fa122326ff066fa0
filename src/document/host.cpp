#include "document/host.h"

#include <QtGlobal>

static Host *g_host = nullptr;

Host::Host()
{
    g_host = this;
}

Host::~Host()
{
    if (g_host == this)
        g_host = nullptr;
}

Host *Host::current()
{
    return g_host;
}

Host &Host::instance()
{
    Q_ASSERT(g_host);
    return *g_host;
}
