// The server as the official TypeScript SDK v2 client sees it, over stdio, against the built
// server and the stand-in editor: with the handshake, with automatic negotiation (which must
// choose the stateless era) and pinned to revision 2026-07-28.
import { describe, test, before, after } from 'node:test';
import assert from 'node:assert/strict';
import { Client, ProtocolError } from '@modelcontextprotocol/client';
import { StdioClientTransport } from '@modelcontextprotocol/client/stdio';
import {
  catalogue, commandFor, notRunningSentence, launcher, serverBinary, serverVersion, standinBinary,
  startStandin, stopStandin,
} from '../livePrograms.mjs';

// How long the client lets a tool call run before it gives up on it.
const cancelAfterMs = 300;
// A call that takes longer than the client's time-out, which the progress report after 5 s
// resets.
const longCallMs = 8000;
const timeoutReset = { timeout: 6000, resetTimeoutOnProgress: true };

const identity = { name: 'kestrova', title: 'Kestrova', version: serverVersion };

const negotiations = {
  legacy: { mode: 'legacy' },
  auto: { mode: 'auto', probe: { timeoutMs: 10000 } },
  pinned: { mode: { pin: '2026-07-28' } },
};

// A client connected to a fresh server, and what the server wrote on standard error.
async function connect(pipeName, negotiation) {
  const transport = new StdioClientTransport({
    ...commandFor(serverBinary, []),
    env: { ...process.env, KESTROVA_AI_PIPE: pipeName },
    stderr: 'pipe',
  });
  const session = { errors: '' };
  transport.stderr.on('data', (chunk) => { session.errors += chunk; });
  session.client = new Client({ name: 'kestrova-sdk2-test', version: '1.0.0' },
                              { versionNegotiation: negotiations[negotiation] });
  await session.client.connect(transport);
  // Every message the server sends from now on, as the client receives it.
  session.received = [];
  const deliver = transport.onmessage;
  transport.onmessage = (message, extra) => {
    session.received.push(message);
    deliver(message, extra);
  };
  return session;
}

for (const negotiation of Object.keys(negotiations)) {
  const stateless = negotiation !== 'legacy';

  describe(`negotiation ${negotiation}`, () => {
    const pipeName = `kestrova-sdk2-${negotiation}-${process.pid}`;
    let standin;
    let session;

    before(async () => {
      assert.ok(serverBinary && standinBinary,
                'KESTROVA_MCP_BINARY and KESTROVA_STANDIN_BINARY must be set');
      standin = await startStandin(pipeName);
      session = await connect(pipeName, negotiation);
    });

    after(async () => {
      await session?.client.close();
      if (standin) await stopStandin(standin);
    });

    test('the era, the revision and the server', () => {
      const { client } = session;
      assert.equal(client.getProtocolEra(), stateless ? 'modern' : 'legacy');
      assert.equal(client.getNegotiatedProtocolVersion(), stateless ? '2026-07-28' : '2025-11-25');
      assert.deepEqual(client.getServerVersion(), identity);
      assert.deepEqual(client.getServerCapabilities(), { tools: {} });
      const instructions = stateless
        ? client.getDiscoverResult().instructions
        : client.getInstructions();
      assert.ok(instructions.includes('How Kestrova thinks:') && instructions.includes('How to work:'));
      if (stateless) {
        assert.deepEqual(client.getDiscoverResult().supportedVersions, ['2026-07-28']);
      } else {
        assert.equal(client.getDiscoverResult(), undefined);
      }
    });

    test('all 54 tools pass the SDK validation, in catalogue order', async () => {
      const { tools, nextCursor } = await session.client.listTools();
      assert.equal(nextCursor, undefined);
      assert.deepEqual(tools.map((tool) => tool.name), catalogue);
      for (const tool of tools) {
        assert.equal(tool.inputSchema.type, 'object', tool.name);
        assert.ok(tool.description.length > 0, tool.name);
      }
    });

    test('get_project answers with the project', async () => {
      const result = await session.client.callTool({ name: 'get_project', arguments: {} });
      assert.equal(result.isError, false);
      assert.equal(result.content.length, 1);
      assert.match(result.content[0].text, /^Project "Holiday cut"/);
    });

    test('get_frame answers with a JPEG image item', async () => {
      const result = await session.client.callTool({ name: 'get_frame', arguments: { seconds: 1.5 } });
      assert.equal(result.isError, false);
      assert.equal(result.content.length, 2);
      const image = result.content[1];
      assert.equal(image.type, 'image');
      assert.equal(image.mimeType, 'image/jpeg');
      const bytes = Buffer.from(image.data, 'base64');
      assert.deepEqual([...bytes.subarray(0, 3)], [0xff, 0xd8, 0xff]);
    });

    test('a tool the catalogue lacks is a -32602 error', async () => {
      await assert.rejects(
        session.client.callTool({ name: 'make_coffee', arguments: {} }),
        (error) => error instanceof ProtocolError && error.code === -32602 &&
          error.message.includes('Kestrova has no tool "make_coffee".'));
    });

    test('with the editor stopped the tool result carries the failure sentence', async () => {
      await stopStandin(standin);
      const result = await session.client.callTool({ name: 'get_project', arguments: {} });
      assert.equal(result.isError, true);
      assert.deepEqual(result.content, [{ type: 'text', text: notRunningSentence }]);

      standin = await startStandin(pipeName);
      const again = await session.client.callTool({ name: 'get_project', arguments: {} });
      assert.equal(again.isError, false);
      assert.equal(session.errors, '');
    });

    // A ping belongs to the handshake era.
    const pingTest = stateless ? test.skip : test;
    pingTest('a ping is answered while a call waits for the editor', async () => {
      await stopStandin(standin);
      standin = await startStandin(pipeName, ['--mode', 'silent']);
      const { client } = session;
      const call = client.callTool({ name: 'get_project', arguments: {} }, { timeout: 60000 });
      await client.ping();
      // The call is still waiting; the client gives it up, which frees the server.
      const calling = await Promise.race([call.then(() => 'answered', () => 'failed'),
                                          Promise.resolve('waiting')]);
      assert.equal(calling, 'waiting');
      await stopStandin(standin);
      standin = await startStandin(pipeName);
      await call.catch(() => {});
    });

    // Once for each era.
    const progressTest = negotiation === 'auto' ? test.skip : test;
    progressTest('progress reports keep a long call alive past the client\'s time-out', async () => {
      await stopStandin(standin);
      standin = await startStandin(pipeName, ['--mode', 'slow', '--delay-ms', String(longCallMs)]);
      const reports = [];
      const result = await session.client.callTool(
        { name: 'transcribe', arguments: {} },
        { ...timeoutReset, onprogress: (progress) => reports.push(progress) });
      assert.equal(result.isError, false);
      assert.equal(reports.length, 1, JSON.stringify(reports));
      assert.equal(reports[0].progress, 5);
      assert.match(reports[0].message, /transcribe/);
      await stopStandin(standin);
      standin = await startStandin(pipeName);
    });

    // Under Wine the client's end of standard input is a Unix socket, which a Windows program
    // cannot look into during a call; tst_responsive covers cancellation there, over pipes.
    const cancellation = launcher
      ? { skip: 'standard input handed down under Wine cannot be watched during a call' }
      : {};
    test('a call the client gives up on is dropped; the next call gets its own answer',
         cancellation, async () => {
      await stopStandin(standin);
      standin = await startStandin(pipeName, ['--mode', 'slow', '--delay-ms', '1000']);
      const { client } = session;
      await assert.rejects(client.callTool({ name: 'get_project', arguments: {} },
                                           { signal: AbortSignal.timeout(cancelAfterMs) }));
      session.received.length = 0;
      const next = await client.callTool({ name: 'list_media', arguments: {} });
      assert.equal(next.isError, false, JSON.stringify(next));
      assert.doesNotMatch(next.content[0].text, /^Project "Holiday cut"/);
      // The cancelled call's answer never came, though the editor gave it before the next one's.
      assert.equal(session.received.length, 1, JSON.stringify(session.received));
      assert.equal(session.errors, '');
    });
  });
}
