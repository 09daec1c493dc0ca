import subprocess

import pytest

from desktop import RUN_KEY, SETTINGS_KEY, Desktop, Rolvane


def pytest_addoption(parser):
    parser.addoption("--long", action="store_true", help="run the long soak too")


def pytest_configure(config):
    config.addinivalue_line("markers", "long: only with --long (scripts/test --long)")


def pytest_collection_modifyitems(config, items):
    if not config.getoption("--long"):
        skip = pytest.mark.skip(reason="long: scripts/test --long")
        for item in items:
            if "long" in item.keywords:
                item.add_marker(skip)


@pytest.fixture(scope="session")
def desktop():
    world = Desktop()
    try:
        world.start()
        yield world
    finally:
        world.stop()


@pytest.fixture(autouse=True)
def clean(desktop):
    """Each test starts with no settings, no Run value, no Rolvane and the target hidden, and
    leaves no Rolvane and no mouse button held."""
    desktop.reg_delete(SETTINGS_KEY)
    desktop.reg_delete(RUN_KEY, "Rolvane")
    desktop.probe("target", 0)
    yield
    subprocess.run(["xdotool", "mouseup", "1"], env=desktop.env)
    subprocess.run(["xdotool", "key", "Escape"], env=desktop.env)
    for rolvane in desktop.started:
        rolvane.kill()
    desktop.started.clear()
    desktop.stop_copies()


@pytest.fixture
def start(desktop):
    """start(*arguments, locale=None, exe=None): a running Rolvane.exe, ready."""
    return lambda *arguments, **options: Rolvane(desktop, *arguments, **options)
