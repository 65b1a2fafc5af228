#include "app/HomeViewController.h"

void HomeViewController::viewDidLoad()
{
    kit::TabBarController::viewDidLoad();
    initViews();
}
