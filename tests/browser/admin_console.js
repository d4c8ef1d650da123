// Drives the admin console in Chromium, a step per panel, with a screenshot of each.
// Usage: node admin_console.js before|after CONSOLE_URL PASSWORD SCREENSHOT_DIR [STATS_URL]
//   before: log in, change a setting and link again, add an operator through its prompts, back up
//   after:  restore and the nick found again, a restriction, the link lines twice and copied, a
//           jupe, the bot, the web server and a page, the update check
const { chromium } = require('playwright-core');

const [phase, base, password, shots, stats] = process.argv.slice(2);
const check = (ok, what) => { if (!ok) throw new Error(what); };

(async () => {
  const browser = await chromium.launch({ executablePath: '/usr/bin/chromium', args: ['--no-sandbox'] });
  try {
    const context = await browser.newContext();
    await context.grantPermissions(['clipboard-read', 'clipboard-write'], { origin: base });
    const page = await context.newPage();
    // A loaded CI machine runs other suites beside this one.
    page.setDefaultTimeout(60000);
    const panel = async (name) => {
      await page.click(`nav button:text-is("${name}")`);
      return page.locator(`section[data-panel="${name}"]`);
    };
    const shot = (name) => page.screenshot({ path: `${shots}/admin-${name}.png`, fullPage: true });
    // The dialog now showing: its text, answered with the button (and the input typed first).
    const dialog = async (button, input) => {
      await page.waitForSelector('#dialog', { state: 'visible' });
      const text = await page.textContent('#dialogText');
      const id = await page.getAttribute('#dialog', 'data-id');
      if (input !== undefined) await page.fill('#dialogInput', input);
      await page.click(`#dialogButtons button:text-is("${button}")`);
      await page.waitForFunction((shown) => document.getElementById('dialog').dataset.id !== shown ||
                                            document.getElementById('dialog').style.display === 'none', id);
      return text;
    };
    const logHas = (box, text) => page.waitForFunction(([b, t]) =>
      [...document.querySelectorAll(`[data-box="${b}"]`)].some((e) => e.textContent.includes(t)), [box, text]);

    await page.goto(base);
    await page.fill('#password', password);
    await page.click('#loginForm button');
    await page.waitForSelector('#console', { state: 'visible' });
    await page.waitForFunction(() => document.getElementById('network').textContent.includes('Link: up'));
    await shot(`${phase}-network`);

    if (phase === 'before') {
      const settings = await panel('Settings');
      await settings.locator('input[name="Your Email"]').fill('admin@example.net');
      await page.click('#saveSettings');
      check((await dialog('OK')).startsWith('Saved.'), 'the settings were not saved');
      await page.click('#connect');
      check((await dialog('OK')).startsWith('Saved.'), 'Connect did not save first');
      await page.waitForFunction(() => document.querySelector('[data-box="status"]').textContent
                                                .split('has successfully connected').length === 3);
      await shot('settings');

      await panel('Operators');
      await page.click('#addOperator');
      check(await dialog('OK', 'keeper') === 'Enter a nickname:', 'no nickname prompt');
      check(await dialog('OK', 'operpw') === 'Enter a password for keeper:', 'no password prompt');
      check(await dialog('OK', '300') === 'Enter an access level for keeper:', 'no level prompt');
      await page.waitForFunction(() => document.getElementById('operators').textContent.includes('keeper (level 300)'));
      await shot('operators');

      await panel('Backup');
      await page.click('#backup');
      await logHas('backup', '\\MemoServ\\MemoServ.nb2 saved!');
      await shot('backup');
      return;
    }

    await panel('Backup');
    await page.click('#restore');
    check(await dialog('Yes') === 'You are about to overwrite your current database files with a backup, continue?', 'no question');
    check(await dialog('OK') === 'All files successfully restored.', 'the restore did not finish');
    await shot('restore');

    await panel('Registered');
    await page.click('#find');
    await page.waitForFunction(() => document.getElementById('rows').textContent.includes('keeper'));
    await shot('registered');
    await panel('Restrictions');
    await page.fill('#restrictChannel', '#warez*');
    await page.click('#addRestrictChannel');
    await page.waitForFunction(() => document.getElementById('restrictedChannels').textContent.includes('#warez*'));
    await shot('restrictions');

    await panel('Settings');
    await page.click('#generate');
    await page.waitForFunction(() => document.getElementById('linkLines').value.includes('above this line'));
    await page.click('#generate');
    await page.waitForFunction(() => document.getElementById('linkLines').value.split('above this line').length === 3);
    await page.click('#copy');
    const copied = await page.evaluate(() => navigator.clipboard.readText());
    check(copied.split('Copy/Paste below this line.\r\n').length === 3 && copied.endsWith('U:services.localhost:*:*\r\n' +
          '---------------------------\r\nCopy/Paste above this line.\r\n'), 'not two blocks in CR LF lines: ' + copied);
    await shot('linkconf');

    await panel('Jupes and ignores');
    await page.fill('#jupe', 'juped.example');
    await page.click('#addJupe');
    await page.waitForFunction(() => document.getElementById('jupes').textContent.includes('juped.example'));
    await shot('jupes');

    await panel('Bot');
    await page.fill('#botFile', 'example.nb2');
    await page.click('#loadBot');
    await logHas('botinfo', '*** Script successfully loaded.');
    await shot('bot');

    await panel('Web server');
    await page.click('#webToggle');
    await page.waitForFunction(() => document.getElementById('webStatus').textContent === 'UP');
    await page.click('button[data-page="index"]');
    await logHas('web', 'Created index.html');
    await shot('webserver');
    const pages = await context.newPage();
    await pages.goto(stats);
    check(await pages.title() === 'NBII - Webstats', 'the statistics page did not open');

    await panel('Update');
    await page.click('#checkUpdate');
    await page.waitForFunction(() => document.getElementById('updateResult').className === 'red');
    check(await page.textContent('#downloadButton') === 'Download NBII 4.4', 'no download offered');
    await shot('update');
  } finally {
    await browser.close();
  }
})().catch((error) => {
  console.error(error.stack || error.message);
  process.exit(1);
});
