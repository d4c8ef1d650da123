// Opens the statistics pages in Chromium as a visitor would: the index, then each page through
// its link, checking each by its heading and keeping a screenshot of it.
// Usage: node statistics_pages.js BASE_URL SCREENSHOT_DIR
const { chromium } = require('playwright-core');

const [base, shots] = process.argv.slice(2);
const pages = [
  { link: null, file: 'index.html', holds: 'Services Information' },
  { link: 'Userlist', file: 'users.html', holds: '[Userlist]' },
  { link: 'ChanServ Page', file: 'chanserv.html', holds: '[ChanServ Page]' },
  { link: 'NickServ Page', file: 'nickserv.html', holds: 'NickServ Page' },
];

(async () => {
  const browser = await chromium.launch({ executablePath: '/usr/bin/chromium', args: ['--no-sandbox'] });
  try {
    const page = await browser.newPage();
    for (const step of pages) {
      await page.goto(base);
      if (step.link) await Promise.all([page.waitForNavigation(), page.click(`a:text-is("${step.link}")`)]);
      if (!page.url().endsWith(step.file === 'index.html' ? '/' : step.file)) throw new Error(`at ${page.url()}, not ${step.file}`);
      if (await page.title() !== 'NBII - Webstats') throw new Error(`${step.file}: title ${await page.title()}`);
      if (!(await page.textContent('body')).includes(step.holds)) throw new Error(`${step.file} lacks ${step.holds}`);
      await page.screenshot({ path: `${shots}/${step.file.replace('.html', '.png')}`, fullPage: true });
      console.log(`${step.file}: shown`);
    }
  } finally {
    await browser.close();
  }
})().catch((error) => {
  console.error(error.message);
  process.exit(1);
});
