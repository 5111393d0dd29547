"""Debian's Chromium, headless and without a network, under chromedriver:
every host name fails to resolve and nothing may go through a proxy, so a
page that reached for the network would fail."""
import os

from selenium import webdriver
from selenium.webdriver.chrome.service import Service


def browser(profile, width=1100, height=1800):
    options = webdriver.ChromeOptions()
    options.binary_location = os.environ.get("TBCALC_CHROMIUM", "/usr/bin/chromium")
    for flag in ("--headless=new", "--no-sandbox", "--disable-gpu", "--disable-quic",
                 "--no-first-run", "--disable-background-networking", "--disable-component-update",
                 "--disable-sync", f"--window-size={width},{height}", f"--user-data-dir={profile}",
                 "--host-resolver-rules=MAP * ~NOTFOUND", "--proxy-server=127.0.0.1:9"):
        options.add_argument(flag)
    driver = os.environ.get("TBCALC_CHROMEDRIVER", "/usr/bin/chromedriver")
    return webdriver.Chrome(service=Service(driver), options=options)
