// axe-core's WCAG 2.0/2.1 A and AA rules, the print style and, for a page that
// reloads itself, the reader's place, on each page state in each language and
// colour scheme, in Chromium over puppeteer-core. Only loopback addresses are
// fetched; the pages' policy, which forbids every script, is bypassed here alone.
//
// Usage: node check_pages.js MODULES_DIR CHROMIUM STATES.json RESULTS.json
// STATES.json: [{"name", "url", "languages": ["de", ...], "reloads": bool}].
// Exit status 0 when there is no violation, 1 otherwise.
'use strict';
const fs = require('fs');
const path = require('path');
const {createRequire} = require('module');

const [modulesDir, chromium, statesFile, resultsFile] = process.argv.slice(2);
const load = createRequire(path.join(path.resolve(modulesDir), 'package.json'));
const puppeteer = load('puppeteer-core');
const axeSource = fs.readFileSync(load.resolve('axe-core/axe.min.js'), 'utf8');

const RULE_TAGS = ['wcag2a', 'wcag2aa', 'wcag21a', 'wcag21aa'];
const ACCEPT_LANGUAGE = {de: 'de-DE,de;q=0.9', en: 'en-US,en;q=0.9', fr: 'fr-FR,fr;q=0.9'};
const RELOAD_WORDS = ['Reload the page', 'Laden Sie die Seite', 'Rechargez la page'];
const ATTEMPTS = 3;  // a loading page reloads itself every few seconds

function isLoopback(url) {
  const host = new URL(url).hostname;
  return host === '127.0.0.1' || host === 'localhost' || host === '[::1]';
}

// Media type and colour scheme in one call: each of puppeteer's own emulation
// calls resets the other.
function emulate(page, media, scheme) {
  return page.devtools.send('Emulation.setEmulatedMedia',
                            {media, features: [{name: 'prefers-color-scheme', value: scheme}]});
}

async function openPage(browser, state, language, scheme, strayRequests) {
  const page = await browser.newPage();
  await page.setBypassCSP(true);
  await page.setViewport({width: 1000, height: 800});
  await page.setExtraHTTPHeaders({'Accept-Language': ACCEPT_LANGUAGE[language]});
  page.devtools = await page.createCDPSession();
  await emulate(page, 'screen', scheme);
  await page.setRequestInterception(true);
  page.on('request', request => {
    if (request.url().startsWith('data:') || isLoopback(request.url())) return request.continue();
    strayRequests.push(request.url());
    return request.abort();
  });
  await page.goto(state.url, {waitUntil: 'load', timeout: 60000});
  return page;
}

async function runAxe(page) {
  await page.evaluate(axeSource);
  return page.evaluate(async tags => {
    const result = await window.axe.run(document, {runOnly: {type: 'tag', values: tags}, resultTypes: ['violations']});
    return {
      lang: document.documentElement.lang,
      scheme: matchMedia('(prefers-color-scheme: dark)').matches ? 'dark' : 'light',
      background: getComputedStyle(document.body).backgroundColor,
      violations: result.violations.map(v => ({
        rule: v.id, impact: v.impact, help: v.help,
        nodes: v.nodes.slice(0, 5).map(n => n.target.join(' ')), count: v.nodes.length,
      })),
      passes: result.passes.length,
    };
  }, RULE_TAGS);
}

// What the page prints: its text as print shows it, and how each store link prints.
async function printView(page) {
  await emulate(page, 'print', 'light');
  return page.evaluate(() => {
    const links = [...document.querySelectorAll('a.id, .links a')];
    return {
      text: document.body.innerText,
      links: links.length,
      shortLinks: links.filter(a => getComputedStyle(a, '::before').content === '"apps.apple.com/app/id"').length,
    };
  });
}

// A reader scrolled down when the page reloads itself: where the reload leaves them.
const SCROLLED_TO = 2000;
async function scrollAcrossReload(page) {
  await page.evaluate(y => window.scrollTo(0, y), SCROLLED_TO);
  const before = await page.evaluate(() => window.scrollY);
  await page.waitForNavigation({waitUntil: 'load', timeout: 15000});
  await new Promise(resolve => setTimeout(resolve, 300));  // the restored position is applied after load
  const after = await page.evaluate(() => ({y: window.scrollY, type: performance.getEntriesByType('navigation')[0].type}));
  return {before, after: after.y, navigation: after.type};
}

async function checkOnce(browser, state, language, scheme, strayRequests) {
  const page = await openPage(browser, state, language, scheme, strayRequests);
  try {
    const axe = await runAxe(page);
    const print = scheme === 'light' ? await printView(page) : null;
    if (print) await emulate(page, 'screen', scheme);
    const reload = state.reloads && scheme === 'light' ? await scrollAcrossReload(page) : null;
    return {axe, print, reload};
  } finally {
    await page.close();
  }
}

async function check(browser, state, language, scheme) {
  const strayRequests = [];
  for (let attempt = 1; ; ++attempt) {
    try {
      const {axe, print, reload} = await checkOnce(browser, state, language, scheme, strayRequests);
      const problems = [];
      if (axe.lang !== language) problems.push(`the page is marked lang="${axe.lang}"`);
      if (axe.scheme !== scheme) problems.push(`the browser showed the ${axe.scheme} scheme`);
      if (strayRequests.length) problems.push(`the page asked for ${[...new Set(strayRequests)].join(', ')}`);
      if (print) {
        for (const words of RELOAD_WORDS) {
          if (print.text.includes(words)) problems.push(`print shows the reload notice "${words}"`);
        }
        if (print.shortLinks !== print.links) {
          problems.push(`print shows ${print.shortLinks} of ${print.links} store links as short addresses`);
        }
      }
      if (reload && (reload.before !== SCROLLED_TO || Math.abs(reload.after - reload.before) > 1)) {
        problems.push(`a reader scrolled to ${reload.before} is at ${reload.after} after the page reloaded itself`);
      }
      return {state: state.name, language, scheme, background: axe.background, violations: axe.violations,
              passes: axe.passes, problems, reload, printedLinks: print ? print.links : null};
    } catch (error) {
      // A reload of the page under way destroys the context the check ran in.
      if (attempt >= ATTEMPTS || !/context was destroyed|navigation/i.test(String(error))) throw error;
    }
  }
}

(async () => {
  const states = JSON.parse(fs.readFileSync(statesFile, 'utf8'));
  const profile = fs.mkdtempSync(path.join(require('os').tmpdir(), 'vantrel-page-check-'));
  const browser = await puppeteer.launch({
    executablePath: chromium,
    headless: true,
    userDataDir: profile,
    args: ['--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run', '--disable-background-networking',
           '--disable-component-update', '--disable-sync', '--no-proxy-server'],
  });
  const results = [];
  try {
    for (const state of states) {
      for (const language of state.languages) {
        for (const scheme of ['light', 'dark']) results.push(await check(browser, state, language, scheme));
      }
    }
  } finally {
    await browser.close();
    fs.rmSync(profile, {recursive: true, force: true});
  }
  fs.writeFileSync(resultsFile, JSON.stringify(results, null, 1));
  const failed = results.filter(r => r.violations.length || r.problems.length);
  process.exit(failed.length ? 1 : 0);
})().catch(error => {
  console.error(`check_pages: ${error.stack || error}`);
  process.exit(2);
});
