// Screenshots of one catalogue page as a reader sees it in Debian's Chromium
// (driven by puppeteer-core): in the light and the dark colour scheme, and as
// it prints (the print style, a page's width of paper). The browser fetches
// nothing but loopback addresses.
//
// Usage: node page_shots.js MODULES_DIR CHROMIUM URL OUT_DIR ACCEPT_LANGUAGE
// writes OUT_DIR/catalogue-page-light.png, -dark.png and -print.png.
'use strict';
const fs = require('fs');
const os = require('os');
const path = require('path');
const {createRequire} = require('module');

const [modulesDir, chromium, url, outDir, acceptLanguage] = process.argv.slice(2);
const puppeteer = createRequire(path.join(path.resolve(modulesDir), 'package.json'))('puppeteer-core');

const SHOTS = [
  {name: 'light', scheme: 'light', media: 'screen', width: 800},
  {name: 'dark', scheme: 'dark', media: 'screen', width: 800},
  {name: 'print', scheme: 'light', media: 'print', width: 794},  // A4 at 96 dots an inch
];

(async () => {
  const profile = fs.mkdtempSync(path.join(os.tmpdir(), 'vantrel-page-shots-'));
  const browser = await puppeteer.launch({
    executablePath: chromium, headless: true, userDataDir: profile,
    args: ['--no-sandbox', '--disable-gpu', '--no-first-run', '--disable-background-networking',
           '--disable-component-update', '--disable-sync', '--no-proxy-server', '--hide-scrollbars'],
  });
  try {
    for (const shot of SHOTS) {
      const page = await browser.newPage();
      await page.setViewport({width: shot.width, height: 1000});
      await page.setExtraHTTPHeaders({'Accept-Language': acceptLanguage});
      // One call for both: each of puppeteer's own emulation calls resets the other.
      const devtools = await page.createCDPSession();
      await devtools.send('Emulation.setEmulatedMedia',
                          {media: shot.media, features: [{name: 'prefers-color-scheme', value: shot.scheme}]});
      await page.setRequestInterception(true);
      page.on('request', request => {
        const host = new URL(request.url()).hostname;
        return ['127.0.0.1', 'localhost', '[::1]'].includes(host) ? request.continue() : request.abort();
      });
      await page.goto(url, {waitUntil: 'load', timeout: 60000});
      const file = path.join(outDir, `catalogue-page-${shot.name}.png`);
      await page.screenshot({path: file, fullPage: true});
      console.log(file);
      await page.close();
    }
  } finally {
    await browser.close();
    fs.rmSync(profile, {recursive: true, force: true});
  }
})().catch(error => {
  console.error(`page_shots: ${error.stack || error}`);
  process.exit(1);
});
