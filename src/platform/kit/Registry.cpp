#include "platform/kit/Registry.h"

#include "platform/kit/View.h"
#include "platform/kit/ViewController.h"

namespace kit {

Registry& Registry::shared()
{
    static Registry registry;
    return registry;
}

void Registry::registerController(const std::string& name, ControllerFactory factory)
{
    if (factory)
        m_controllers[name] = std::move(factory);
    else
        m_controllers.erase(name);
}

void Registry::registerView(const std::string& name, ViewFactory factory)
{
    if (factory)
        m_views[name] = std::move(factory);
    else
        m_views.erase(name);
}

std::shared_ptr<ViewController> Registry::instantiate(const std::string& name) const
{
    auto it = m_controllers.find(name);
    if (it == m_controllers.end())
        return nullptr;
    // Copied: a factory may register more names while it runs.
    auto factory = it->second;
    return factory();
}

std::shared_ptr<View> Registry::instantiateView(const std::string& name) const
{
    auto it = m_views.find(name);
    if (it == m_views.end())
        return nullptr;
    auto factory = it->second;
    auto view = factory();
    if (view)
        view->awakeFromNib();
    return view;
}

void Registry::clear()
{
    m_controllers.clear();
    m_views.clear();
}

} // namespace kit
