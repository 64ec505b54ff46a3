#include "common/Warnings.h"

#include <iostream>
#include <mutex>
#include <set>

namespace zerath {

namespace {

std::mutex g_mutex;
WarningSink g_sink;
std::set<std::string> g_given;

} // namespace

void SetWarningSink(WarningSink sink)
{
    const std::lock_guard<std::mutex> hold(g_mutex);
    g_sink = std::move(sink);
    g_given.clear();
}

void Warn(const std::string& text)
{
    WarningSink sink;
    {
        const std::lock_guard<std::mutex> hold(g_mutex);
        if (!g_given.insert(text).second) return;
        sink = g_sink;
    }
    if (sink) sink(text);
    else std::cerr << "warning: " << text << std::endl;
}

} // namespace zerath
